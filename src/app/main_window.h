#pragma once
// The main window: its frames (one per view), the two toolbars and their commands, the session
// state, logon, locking and auto-lock. It is the store's host. The passwords, category and setup
// pages are put in by whoever assembles the window; it talks to them as pages only.

#include <memory>

#include <QMainWindow>

#include "app/app_services.h"
#include "pages/page.h"
#include "pages/view_hooks.h"
#include "app/main_toolbars.h"
#include "app/session.h"
#include "store/clock.h"
#include "store/ui_host.h"

class QComboBox;
class QSplitter;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;

namespace keyloft {

class AboutView;
class LogonView;
class ProfileStore;
class ProfileView;
class SetupFrame;

class MainWindow : public QMainWindow, public UiHost {
    Q_OBJECT
public:
    explicit MainWindow(const AppServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load step: version label, show, list the profiles, tray, welcome animation.
    void Form_Load();
    const AppServices& services() const { return services_; }

    // What a page works with: the store, the message boxes, the window's save, the session's flag.
    PageServices pageServices();
    // The pages, made with pageServices() inside passwordsFrame(), setupContent() and
    // categoryContent(); the window places them there and follows their signals. Null leaves
    // that frame empty.
    void setPasswordsPage(Page* page);
    void setSetupPage(Page* page);
    void setCategoryPage(Page* page);
    // Other parts plugged in (the window does not own them).
    void setWelcomeAnimation(WelcomeAnimationApi* animation);
    void setTray(TrayApi* tray);
    void setPopup(PopupApi* popup);
    QWidget* passwordsFrame() const;
    QWidget* setupContent() const;
    QWidget* categoryContent() const;
    QWidget* welcomeArea() const;
    QComboBox* filterBox() const { return cboFilter; }
    QTimer* passTimer() const { return tmrPass; }

    // View switching.
    void ShowProfile(bool bol);
    void ShowSetup(bool bol);
    void ShowPasswords(bool bol);
    void ShowCategory(bool bol);

    // Handlers (public so that tests can drive the timers and buttons directly).
    void cmdNext_Click();
    void cmdLogin_Click();
    void cmdForgot_Click();
    void cmdDatabase_Click();
    void cmdPark_Click();
    void cmdHelp_Click();
    void tmrLock_Timer();
    void tmrPass_Timer();
    // A key press or mouse movement reached the window.
    void recordActivity();
    bool logonAccepted() const { return session_->loggedOn(); }
    LocalTime lastActivity() const { return session_->lastActivity(); }
    const Session& session() const { return *session_; }

    // UiHost (the store's host).
    MessageAnswer showMessage(const MessageRequest& request) override;
    void processEvents() override;
    void waitMilliseconds(int milliseconds) override;

    ProfileStore& store();
    Dialogs& dialogs();
    // Saves the Profile and carries out what the store reports: its messages, and after a
    // conflict lock-out or a failed read the lock or close.
    SaveOutcome saveProfile();
    bool isDirty() const { return session_->isDirty(); }
    // The unsaved-changes flag; while Save is shown, a change also turns Save and Cancel on and
    // Add off.
    void SetDirty(bool bolDirty);
    // True while the window fills its own controls (the auto-lock controls).
    bool fillGuard() const { return fillGuard_; }
    bool ConfirmDiscardChanges();
    // Toolbar commands by caption key: Toolbar1 "Unlock", "Setup", "Passwords", "Show",
    // "Generate", "Print"; Toolbar2 "Add", "Delete", "Save", "Cancel", "Filter".
    QAction* toolbarButton(const QString& key);
    void setStatusText(const QString& text);
    QString logonStatusText() const { return logonStatusText_; }
    void ShowBusyPointer();
    void ShowIdlePointer();

signals:
    // The window has closed: the program ends (the tray and the pop-up do not keep it running).
    void windowClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void connectControls();
    void fillProfileList(const std::vector<std::u16string>& names, const QString& wanted = QString());
    // The list again after a create or delete, which has settled the folder already: no question.
    // `wanted` is selected when listed; otherwise the name chosen before, or the first.
    void refillProfileList(const QString& wanted = QString());
    QString dataFolder() const;
    QString helpFilePath() const;
    QString welcomePicturePath() const;
    // The size and the split of the passwords view as the user left them.
    void restoreLayout();
    void saveLayout();
    QSplitter* entrySplitter() const;

    // What a store operation reported: its messages, then forget changes, lock, close or end.
    void carryOut(const StoreReport& report);
    // Lock as the Lock command does, without asking about unsaved changes.
    void lockSession();
    // Close after a failure the store has reported: no question first.
    void closeMainWindow();
    // End at once: no save, no prompt.
    void endProgramNow();

    // Locking.
    void openSession();
    void Lock();
    void releaseSessionButtons();
    void hideEveryView();
    // Everything a locked window must not show: the pop-up, the views' rows and boxes, the status.
    void forgetProfileInViews();
    void resetSession();
    void chkTimeout_Click();
    void slTimer_Change();
    void applyTimerSetting();

    // One command per action, connected directly.
    void connectCommands();
    void passwordsCommand();
    void setupCommand();
    void addCommand();
    void deleteCommand();
    void saveCommand();
    void cancelCommand();
    void filterCommand(bool pressed);
    bool guardedSwitch(QAction* clicked);
    // The page whose frame is shown; null in the profile choice and the logon.
    Page* shownPage() const;
    void followPage(Page* page);
    // What a page asks of the toolbar commands.
    void applyCommands(const CommandStates& states);

    bool isShown(const QWidget* view) const;
    bool saveOnEnter(QObject* watched, QEvent* event);

    AppServices services_;
    std::unique_ptr<ProfileStore> store_;

    WelcomeAnimationApi defaultWelcome_;
    TrayApi defaultTray_;
    PopupApi defaultPopup_;
    Page* passwordsPage_ = nullptr;
    Page* setupPage_ = nullptr;
    Page* categoryPage_ = nullptr;
    WelcomeAnimationApi* welcome_ = &defaultWelcome_;
    TrayApi* tray_ = &defaultTray_;
    PopupApi* popup_ = &defaultPopup_;
    bool trayInstalled_ = false;

    // Session state.
    Session* session_ = nullptr;  // unsaved changes, logon, activity
    bool fillGuard_ = false;
    bool sessionOpen_ = false;  // unlocked: the first button locks
    QString logonStatusText_;
    bool inBlockingWait_ = false;

public:
    // Controls, named as their objectName.
    MainToolbars toolbars;
    QToolBar* Toolbar1 = nullptr;
    QToolBar* Toolbar2 = nullptr;
    QWidget* welcomeView = nullptr;
    QLabel* AGif = nullptr;
    ProfileView* fraProfile = nullptr;
    LogonView* fraLogin = nullptr;
    QFrame* fraPasswords = nullptr;
    QFrame* fraCategory = nullptr;
    QWidget* categoryContent_ = nullptr;
    QPushButton* cmdCloseCategory = nullptr;
    SetupFrame* fraSecurityOptions = nullptr;
    AboutView* fraAbout = nullptr;
    QComboBox* cboFilter = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QPushButton* cmdPark = nullptr;
    QPushButton* cmdHelp = nullptr;
    QTimer* tmrLock = nullptr;
    QTimer* tmrPass = nullptr;
};

// The window's own setting: its size ("920x680").
inline constexpr char16_t kSettingWindowSize[] = u"WindowSize";

// Texts of the window's own messages.
inline constexpr char16_t kDetailsIncorrectText[] = u" The Details are incorrect. Please re-enter.";
inline constexpr char16_t kDeleteEntryText[] = u"Are you sure you wish to delete this entry?";
inline constexpr char16_t kDeleteEntryTitle[] = u"Delete entry";
inline constexpr char16_t kNoHelpText[] =
    u"Unable to display Help Contents. There is no Help associated with this application.";
inline constexpr char16_t kHelpErrorText[] = u"An error has occurred! The error is ";
inline constexpr char16_t kProfileCreatedText[] =
    u"The new profile's password is opensesame. Log on and change it in Setup.";

}  // namespace keyloft
