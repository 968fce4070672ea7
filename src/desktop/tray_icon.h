#pragma once
// The notification-area icon of the main window, with its menu (About, Maximize, Restore,
// Minimize, Lock, Exit). The tray object lives from the end of the window's start-up until the window
// unloads; it parks the window (hides it when minimized) and brings it back in the state it had.
// Without a notification area the object, its menu and its logic still work; the icon is then
// simply not shown, and parking leaves the window minimized instead of hiding it.

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "pages/view_hooks.h"
#include "store/ui_host.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace keyloft {

// Name carried by the clicked signal for a mouse message code on the icon.
QString TrayClickName(int code);

// Mouse message codes of the icon.
namespace tray_message {
inline constexpr int MouseMove = 512;
inline constexpr int LButtonDown = 513;
inline constexpr int LButtonUp = 514;
inline constexpr int LButtonDblClk = 515;
inline constexpr int RButtonDown = 516;
inline constexpr int RButtonUp = 517;
inline constexpr int RButtonDblClk = 518;
inline constexpr int MButtonDown = 519;
inline constexpr int MButtonUp = 520;
inline constexpr int MButtonDblClk = 521;
}  // namespace tray_message

// The message code a Qt activation of the icon stands for.
int TrayMessageFor(int qtActivationReason);

class TrayIcon : public QObject, public TrayApi {
    Q_OBJECT
  public:
    // The icon of the main window `window` with its menu; nothing is shown before install(). The
    // window's state changes and its destruction are followed from install() on.
    TrayIcon(Dialogs& dialogs, QWidget* window);
    ~TrayIcon() override;

    // Loads the icon once: takes its picture, announces it (iconChanged), sets the tip "Keyloft
    // Password Manager", renames About and adds the icon to the notification area (when there
    // is one).
    void install() override;
    // Park: the window has made itself minimized; it is hidden (when the icon can be shown). A
    // normal or maximized window's state is remembered instead.
    void onWindowMinimized() override;
    // The window unloads: the icon goes. Safe to call twice.
    void onWindowClosing() override { unload(); }
    // Lock is enabled while the window has a session open.
    void setLockable(bool lockable) override;
    void unload();

    QWidget* window() const { return window_; }

    // The 64-character tip field: the text cut to 63 characters, a NUL, then blanks.
    QString tooltip() const;
    void setTooltip(const QString& text);

    // Changes the icon, then updates it in the notification area. "DEFAULT" (any case) selects the
    // default picture; other text is a picture file. Failures leave the current icon.
    void setIcon(const QString& text);
    void setIcon(const QPixmap& picture);
    void setIcon(const QWidget* object);  // the object's own icon
    QIcon icon() const { return icon_; }
    static QPixmap trayPicture();     // the icon taken at load
    static QPixmap defaultPicture();  // the picture "DEFAULT" selects

    // One mouse message on the icon, by code (what the icon's activations arrive as). A double
    // click restores the window; so does a single one (or the keyboard's activation of the icon)
    // while the window is parked.
    void onMouseMessage(int code);
    // Sets the items' enabled state from the served window's state.
    void updateMenu();

    // Menu commands.
    void onAboutClicked();
    void onMaximizeClicked();
    void onRestoreClicked();
    void onMinimizeClicked();
    void onExitClicked();  // Lock is the lockClicked signal

    QMenu* menu() const { return menu_.get(); }
    Qt::WindowStates rememberedState() const { return remembered_; }
    bool iconInNotificationArea() const;
    bool isLoaded() const { return loaded_; }

    // What ends the program after Exit closed a parked window (QCoreApplication::quit by default).
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }

    // Whether the system has a notification area (set by tests to try both cases).
    bool notificationAreaAvailable() const { return trayAvailable_; }
    void setNotificationAreaAvailable(bool available);

  signals:
    void clicked(const QString& what);
    // The menu's Lock: the window locks as its Lock command does.
    void lockClicked();
    void iconChanged(keyloft::TrayIcon* icon);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateIcon();  // modify the icon in the notification area
    void showPopupMenu();

    Dialogs& dialogs_;
    QPointer<QWidget> window_;
    std::array<char16_t, 64> tip_{};
    QIcon icon_;
    Qt::WindowStates remembered_ = Qt::WindowNoState;
    std::unique_ptr<QMenu> menu_;
    QAction* about_ = nullptr;
    QAction* maximize_ = nullptr;
    QAction* restore_ = nullptr;
    QAction* minimize_ = nullptr;
    QAction* lock_ = nullptr;
    QAction* exit_ = nullptr;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::function<void()> endProgram_;
    bool trayAvailable_ = false;
    bool installed_ = false;
    bool loaded_ = false;
    bool lockable_ = false;
};

}  // namespace keyloft
