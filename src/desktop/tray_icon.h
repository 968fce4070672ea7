#pragma once
// The notification-area icon of the main window, with its menu (About, Maximize, Restore,
// Minimize, Exit). The tray object lives from the end of the window's start-up until the window
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

#include "store/ui_host.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace keyloft {

// Name carried by the Click event for a mouse message code on the icon.
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

class TrayIcon : public QObject {
    Q_OBJECT
public:
    // Loads the tray form: takes its icon, raises TIcon, sets the tip "Keyloft Password Manager",
    // renames About and adds the icon to the notification area (when there is one).
    explicit TrayIcon(Dialogs& dialogs, QObject* parent = nullptr);
    ~TrayIcon() override;

    // The window served; its state changes and its destruction are followed from now on.
    void setFSys(QWidget* window);
    QWidget* FSys() const { return fsys_; }

    // The 64-character tip field: the text cut to 63 characters, a NUL, then blanks.
    QString Tooltip() const;
    void setTooltip(const QString& text);

    // Changes the icon, then updates it in the notification area. "DEFAULT" (any case) selects the
    // default picture; other text is a picture file. Failures leave the current icon.
    void setTrayIcon(const QString& text);
    void setTrayIcon(const QPixmap& picture);
    void setTrayIcon(const QWidget* object);  // the object's own icon
    QIcon icon() const { return icon_; }
    static QPixmap TrayPicture();    // the icon taken at load
    static QPixmap DefaultPicture(); // the picture "DEFAULT" selects

    // Park: a minimized window is hidden (when the icon can be shown); a normal or maximized
    // window's state is remembered.
    void MeResize(QWidget* window);
    void MeQueryUnload(QWidget* window, bool& cancel, int unloadMode);
    // The served window unloads: the icon goes and the tray form unloads. Safe to call twice.
    void MeUnload();

    // One mouse message on the icon, by code (what the icon's activations arrive as).
    void MouseMessage(int code);
    // Sets the items' enabled state from the served window's state.
    void UpdateMenuState();

    // Menu commands.
    void mAbout_Click();
    void mMaximize_Click();
    void mRestore_Click();
    void mMinimize_Click();
    void mExit_Click();

    QMenu* mPopupMenu() const { return menu_.get(); }
    Qt::WindowStates rememberedState() const { return remembered_; }
    bool iconInNotificationArea() const;
    bool loaded() const { return loaded_; }

    // What ends the program after Exit closed a parked window (QCoreApplication::quit by default).
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }

    // Whether the system has a notification area (set by tests to try both cases).
    bool notificationAreaAvailable() const { return trayAvailable_; }
    void setNotificationAreaAvailable(bool available);

signals:
    void Click(const QString& ClickWhat);
    void TIcon(TrayIcon* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateIcon();  // modify the icon in the notification area
    void showPopupMenu();

    Dialogs& dialogs_;
    QPointer<QWidget> fsys_;
    std::array<char16_t, 64> tip_{};
    QIcon icon_;
    Qt::WindowStates remembered_ = Qt::WindowNoState;
    std::unique_ptr<QMenu> menu_;
    QAction* mAbout_ = nullptr;
    QAction* mSep1_ = nullptr;
    QAction* mMaximize_ = nullptr;
    QAction* mRestore_ = nullptr;
    QAction* mMinimize_ = nullptr;
    QAction* mSep2_ = nullptr;
    QAction* mExit_ = nullptr;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::function<void()> endProgram_;
    bool trayAvailable_ = false;
    bool loaded_ = false;
};

}  // namespace keyloft
