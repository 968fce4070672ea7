#pragma once
// The main window as the program runs it: the passwords, setup and category pages in their
// screens, the pop-up, printing, the welcome animation and the tray icon. The program and the
// window tests assemble it the same way.

#include <functional>
#include <memory>

#include <QDate>
#include <QPointer>

namespace keyloft {

namespace platform {
class Shell;
}  // namespace platform

class CategoryView;
class MainWindow;
class PasswordPopup;
class PasswordsView;
class QtPopupTimer;
class SetupView;
class TrayIcon;
class WelcomeAnimation;

// The pieces plugged into a window; they unplug themselves when this goes.
struct WindowParts {
    ~WindowParts();

    QPointer<MainWindow> window;
    PasswordsView* passwords = nullptr;        // owned by the window
    SetupView* setup = nullptr;                // owned by the window
    CategoryView* category = nullptr;          // owned by the window
    std::unique_ptr<QtPopupTimer> popupTimer;  // tmrPass as the pop-up sees it
    QPointer<PasswordPopup> popup;             // a window of its own, the main window's child
    QPointer<WelcomeAnimation> welcome;        // in the welcome area
    std::unique_ptr<TrayIcon> tray;
};

// The pages and the pop-up copy to the window's clipboard (AppServices::clipboard, cleared again
// after the chosen seconds and at Lock).
std::unique_ptr<WindowParts> AssembleWindow(MainWindow& window, platform::Shell& shell,
                                            std::function<QDate()> today);

}  // namespace keyloft
