#pragma once
// What the main window asks of the desktop pieces that other parts of the program plug into it:
// the welcome animation, the notification-area icon and the password pop-up. Every hook has a
// harmless default so that the window runs without them. They are plugged in with
// MainWindow::setWelcomeAnimation / setTray / setPopup.

#include <QString>

namespace keyloft {

// The welcome animation (control AGif in the welcome area).
class WelcomeAnimationApi {
  public:
    virtual ~WelcomeAnimationApi() = default;
    // Load the picture file and start it (without a playable file, the built-in picture); the
    // file loaded last goes on as start does.
    virtual void loadAndStart(const QString& gifFileName) { (void)gifFileName; }
    // Start again; the file is loaded afresh when it changed, appeared or went since.
    virtual void start() {}
    virtual void stop() {}
};

// The notification-area icon.
class TrayApi {
  public:
    virtual ~TrayApi() = default;
    // Put the icon into the notification area (once).
    virtual void install() {}
    // The window was minimized (Park): hide it so that only the icon remains.
    virtual void onWindowMinimized() {}
    // The window is about to close: remove the icon.
    virtual void onWindowClosing() {}
    // Whether the icon's Lock can lock the window (a session is open).
    virtual void setLockable(bool lockable) { (void)lockable; }
};

// The password pop-up window, closed by tmrPass.
class PopupApi {
  public:
    virtual ~PopupApi() = default;
    virtual bool isPopupVisible() const { return false; }
    // Close the pop-up as its own Close button does.
    virtual void closePopup() {}
};

}  // namespace keyloft
