// The desktop's screen saver tells the session bus when the screen locks; the watcher passes on
// the locking (not the unlocking) from either of the two interfaces desktops use, whatever the
// object path. Needs a session bus: ctest runs it under a bus of its own where it can.
#include "platform/qt_screen_lock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#ifdef KEYLOFT_HAS_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

namespace keyloft::platform {
namespace {

TEST(ScreenLockWatcher, PassesOnTheScreenSaversLockFromTheSessionBus) {
#ifndef KEYLOFT_HAS_DBUS
    GTEST_SKIP() << "built without D-Bus";
#else
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) GTEST_SKIP() << "no session bus";
    ScreenLockWatcher watcher;
    int locks = 0;
    QObject::connect(&watcher, &ScreenLockWatcher::screenLocked, [&locks] { ++locks; });

    struct Signal {
        const char* path;
        const char* interface;
        bool active;
    };
    // The bus keeps their order: once the last two have arrived, so have the others, which must
    // not have counted.
    for (const Signal& sent : {Signal{"/ScreenSaver", "org.freedesktop.ScreenSaver", false},
                               Signal{"/org/example/Saver", "org.example.ScreenSaver", true},
                               Signal{"/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", true},
                               Signal{"/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", true}}) {
        QDBusMessage signal =
            QDBusMessage::createSignal(QString::fromLatin1(sent.path), QString::fromLatin1(sent.interface),
                                       QStringLiteral("ActiveChanged"));
        signal << sent.active;
        ASSERT_TRUE(bus.send(signal)) << sent.interface;
    }
    EXPECT_TRUE(QTest::qWaitFor([&locks] { return locks >= 2; }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(locks, 2);
#endif
}

}  // namespace
}  // namespace keyloft::platform
