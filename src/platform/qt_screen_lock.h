#pragma once
// The desktop's screen lock as the program hears of it: the screen saver's ActiveChanged signal
// on the session bus (org.freedesktop.ScreenSaver, and org.gnome.ScreenSaver, which GNOME sends
// instead), where the desktop has one. Builds without D-Bus listen to nothing.

#include <QObject>

namespace keyloft::platform {

class ScreenLockWatcher final : public QObject {
    Q_OBJECT
  public:
    explicit ScreenLockWatcher(QObject* parent = nullptr);

  public slots:
    // The screen saver came on (true: the screen is locked) or went off.
    void onActiveChanged(bool active);

  signals:
    void screenLocked();
};

}  // namespace keyloft::platform
