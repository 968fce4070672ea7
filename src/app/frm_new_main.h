#pragma once
// The main window: its frames (one per view), the two toolbars and their dispatch, the session
// state, logon, locking and auto-lock. It is the store's host and the views' host.

#include <memory>

#include <QMainWindow>

#include "app/app_services.h"
#include "pages/view_hooks.h"
#include "pages/view_host.h"
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

class frmNewMain : public QMainWindow, public UiHost, public ViewHost {
    Q_OBJECT
public:
    explicit frmNewMain(const AppServices& services, QWidget* parent = nullptr);
    ~frmNewMain() override;

    // The load step: version label, show, list the profiles, tray, welcome animation.
    void Form_Load();
    const AppServices& services() const { return services_; }

    // Views plugged in by other parts of the program (the window does not own them).
    void setPasswordsView(PasswordsViewApi* view);
    void setSetupView(SetupViewApi* view);
    void setCategoryView(CategoryViewApi* view);
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

    // ViewHost (the views' host).
    ProfileStore& store() override;
    SaveOutcome saveProfile() override;
    Dialogs& dialogs() override;
    bool isDirty() const override { return session_->isDirty(); }
    void SetDirty(bool bolDirty) override;
    bool fillGuard() const override { return fillGuard_; }
    void setFillGuard(bool on) override { fillGuard_ = on; }
    bool passwordEdited() const override { return passwordEdited_; }
    void setPasswordEdited(bool on) override { passwordEdited_ = on; }
    bool ConfirmDiscardChanges() override;
    QAction* toolbarButton(const QString& key) override;
    void setStatusText(const QString& text) override;
    QString logonStatusText() const override { return logonStatusText_; }
    void ShowBusyPointer() override;
    void ShowIdlePointer() override;

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
    void fillSetupView();

    bool isShown(const QWidget* view) const;
    bool saveOnEnter(QObject* watched, QEvent* event);

    AppServices services_;
    std::unique_ptr<ProfileStore> store_;

    PasswordsViewApi defaultPasswords_;
    SetupViewApi defaultSetup_;
    CategoryViewApi defaultCategory_;
    WelcomeAnimationApi defaultWelcome_;
    TrayApi defaultTray_;
    PopupApi defaultPopup_;
    PasswordsViewApi* passwordsView_ = &defaultPasswords_;
    SetupViewApi* setupView_ = &defaultSetup_;
    CategoryViewApi* categoryView_ = &defaultCategory_;
    WelcomeAnimationApi* welcome_ = &defaultWelcome_;
    TrayApi* tray_ = &defaultTray_;
    PopupApi* popup_ = &defaultPopup_;
    bool trayInstalled_ = false;

    // Session state.
    Session* session_ = nullptr;  // unsaved changes, logon, activity
    bool fillGuard_ = false;
    bool passwordEdited_ = false;
    bool sessionOpen_ = false;  // unlocked: the first button locks
    QString logonStatusText_;
    bool inBlockingWait_ = false;
    // Counts the locks of any origin, so that a command can tell that the store locked the
    // session in the middle of it (a conflict) and stop before it shows anything again.
    int locks_ = 0;

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

// The window's own settings: its size ("920x680") and the heights of the entry list and the
// editor ("300,240").
inline constexpr char16_t kSettingWindowSize[] = u"WindowSize";
inline constexpr char16_t kSettingEntrySplit[] = u"EntrySplit";

// Texts of the window's own messages.
inline constexpr char16_t kDiscardChangesText[] = u"You have unsaved changes. Continue and lose changes?";
inline constexpr char16_t kDiscardChangesTitle[] = u"Changes";
inline constexpr char16_t kDetailsIncorrectText[] = u" The Details are incorrect. Please re-enter.";
inline constexpr char16_t kDeleteEntryText[] = u"Are you sure you wish to delete this entry?";
inline constexpr char16_t kDeleteEntryTitle[] = u"Delete entry";
inline constexpr char16_t kNoHelpText[] =
    u"Unable to display Help Contents. There is no Help associated with this application.";
inline constexpr char16_t kHelpErrorText[] = u"An error has occurred! The error is ";
inline constexpr char16_t kProfileCreatedText[] =
    u"The new profile's password is opensesame. Log on and change it in Setup.";

}  // namespace keyloft
