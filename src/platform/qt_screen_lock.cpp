#include "platform/qt_screen_lock.h"

#ifdef KEYLOFT_HAS_DBUS
#include <QDBusConnection>
#endif

namespace keyloft::platform {

ScreenLockWatcher::ScreenLockWatcher(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("screenLockWatcher"));
#ifdef KEYLOFT_HAS_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // Any sender and any object path: KDE sends the signal from two paths, GNOME from its own.
    // A bus signal can only be connected by its slot's name.
    for (const char* interface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"}) {
        bus.connect(QString(), QString(), QString::fromLatin1(interface), QStringLiteral("ActiveChanged"),
                    this, SLOT(onActiveChanged(bool)));
    }
#endif
}

void ScreenLockWatcher::onActiveChanged(bool active) {
    if (active) emit screenLocked();
}

}  // namespace keyloft::platform
