#pragma once
// The main window: its screens in one stack (the welcome picture, the profile choice, the logon,
// the passwords, setup, category and about pages), the commands of its two toolbars, the
// session, logon and locking. It is the store's host. The passwords, category and setup pages are
// put in by whoever assembles the window; it talks to them as pages only.

#include <cstdint>
#include <memory>

#include <QMainWindow>
#include <QSize>

#include "app/app_services.h"
#include "app/lock_options.h"
#include "app/main_toolbars.h"
#include "app/session.h"
#include "app/session_dialogs.h"
#include "pages/page.h"
#include "pages/view_hooks.h"
#include "store/clock.h"
#include "store/ui_host.h"

class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QThread;
class QTimer;

namespace keyloft {

namespace platform {
class ScreenLockWatcher;
}

class AboutView;
class ClearingClipboard;
class IdleLock;
class LogonView;
class ProfileStore;
class ProfileView;
class SetupFrame;

// What makes the window lock.
enum class LockTrigger {
    Command,       // the Lock button, Ctrl+L, the tray's Lock: unsaved changes are asked about first
    Idle,          // auto-lock: unsaved changes are dropped
    ScreenLocked,  // the desktop locked the screen (when chosen in Setup): as auto-lock
    Minimized,     // the window was parked or minimized (when chosen in Setup): as auto-lock
};

class MainWindow : public QMainWindow, public Dialogs, public UiHost {
    Q_OBJECT
  public:
    explicit MainWindow(const AppServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load step: the size left last time, show, list the profiles, tray, welcome animation.
    void load();
    // The window at the front with the focus: a parked or minimized window comes back in the
    // state it had (a later start of the program asks for this).
    void bringToFront();
    const AppServices& services() const { return services_; }

    // What a page works with: the store, the message boxes, the window's save, the session's flag.
    PageServices pageServices();
    // The pages, made with pageServices(); the window places them in their screens (the
    // passwords screen, the setup frame, the category frame) and follows their signals. Null
    // leaves that screen empty.
    void setPasswordsPage(Page* page);
    void setSetupPage(Page* page);
    void setCategoryPage(Page* page);
    // Other parts plugged in (the window does not own them); null puts the harmless default back.
    void setWelcomeAnimation(WelcomeAnimationApi* animation);
    void setTray(TrayApi* tray);
    void setPopup(PopupApi* popup);
    // Where those parts go: the welcome screen, the filter box of the window's strip, and the
    // timer that closes the pop-up (tmrPass).
    QWidget* welcomeArea() const { return welcomeScreen_; }
    QComboBox* filterBox() const { return filterBox_; }
    QTimer& popupTimer() const { return *popupTimer_; }
    // The commands; the passwords page's Show, Generate, Print and Filter are connected where the
    // window is put together.
    const MainActions& actions() const { return toolbars_.actions; }

    bool logonAccepted() const { return session_.loggedOn(); }
    bool isDirty() const { return session_.isDirty(); }
    LocalTime lastActivity() const;

    // Dialogs: the window's message boxes, the store's questions among them.
    MessageAnswer showMessage(const MessageRequest& request) override;
    // UiHost (the store's host).
    void waitMilliseconds(int milliseconds) override;
    // On a thread of its own, the busy bar shown and the window repainting; input waits meanwhile,
    // and a lock follows once the store's operation has returned.
    void runLongWork(const std::function<void()>& work) override;

    ProfileStore& store() { return *store_; }
    // Boxes about nothing of the profile (the tray's About, the welcome picture's errors).
    Dialogs& dialogs() { return *services_.dialogs; }
    // Boxes about the logged-on profile (pages, pop-up, printing): after a lock they show nothing.
    Dialogs& profileDialogs() { return profileDialogs_; }
    // The clipboard of the pages and the pop-up: copies are taken back after the chosen seconds,
    // at Lock and when the window closes.
    platform::Clipboard& clipboard();
    // Changes at every lock; see Session::number.
    std::uint64_t sessionNumber() const { return session_.number(); }

    // Locks the window if a session is open (and the trigger is chosen in Setup). Every box and
    // file question closes first as if cancelled, the pop-up closes, the clipboard is cleared of
    // what Keyloft copied, the views and the store forget the profile.
    void lockFrom(LockTrigger trigger);
    // Carries out what a save of the store reported: its messages, and after a conflict lock-out
    // or a failed read the lock or close. After a lock it shows nothing and answers as a lock-out.
    // A save that asks about the file another user saved is answered first.
    SaveOutcome carryOutSave(const SaveResult& result);
    // The unsaved-changes flag; while Save is shown, a change also turns Save and Cancel on and
    // Add off.
    void setDirty(bool dirty);

  signals:
    // The window has closed: the program ends (the tray and the pop-up do not keep it running).
    void windowClosed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The screens of the window's body, one shown at a time. Empty is the body after a logon,
    // before Passwords or Setup.
    enum class Screen { Welcome, Profile, Logon, Empty, Passwords, Setup, Category, About };

    // Building (main_window.cpp).
    void buildWindow();
    QWidget* buildCategoryScreen();
    void connectControls();
    void connectCommands();
    void followPage(Page* page);

    // Screens and commands' states (main_window_screens.cpp).
    Screen shownScreen() const;
    void showScreen(Screen screen);
    // The shown screen shown afresh: its page is told it was hidden and shown again.
    void showScreenAgain();
    Page* pageOf(Screen screen) const;
    Page* shownPage() const { return pageOf(shownScreen()); }
    // Sets every action's caption, visibility, pressed state and enabling from the shown screen,
    // the session and the commands' states; called after each change of them.
    void updateActions();
    bool recordCommandsShown() const;
    bool saveCommandShown() const;
    // What a page asks of the toolbar commands.
    void applyCommands(const CommandStates& states);
    // Tab follows the screen: the toolbars, the strip (filter, Park, Help), then the shown
    // screen's controls as they are read, and round again.
    void orderTabStops();
    // The record toolbar goes below the first one when the window is too narrow for both in a
    // row (a large font), and back beside it when there is room.
    void fitToolbars();

    // The profile choice and the logon (main_window_screens.cpp).
    void fillProfileList(const std::vector<std::u16string>& names, const QString& wanted = QString());
    // The list again after a create or delete, which has settled the folder already: no question.
    // `wanted` is selected when listed; otherwise the name chosen before, or the first.
    void refillProfileList(const QString& wanted = QString());
    void onContinueClicked();
    void onDatabaseClicked();
    void onForgotLogonClicked();
    void applyTimerSetting();
    void offerConflictMerge();

    // The logon step (main_window_logon.cpp).
    void onLogonClicked();
    // What the logon came to: the session opens, or the user is told why not.
    void finishLogon(LogonOutcome outcome);
    // While a sealed profile's key is made: the logon boxes off, the busy bar and pointer.
    void showLogonBusy(bool busy);
    // The busy bar in the status bar, with its words (the text shown before comes back after).
    void showBusyBar(bool busy, const QString& text);

    // Locking (main_window_locking.cpp).
    void openSession();
    void lock();
    // Lock as the Lock command does, without asking about unsaved changes.
    void lockSession();
    void autoLock();
    void endSession();
    // A lock asked for while the store was in the middle of an operation, once it has returned.
    void endPendingSession();
    // Everything a locked window must not show: the pop-up, the views' rows and boxes, the status.
    void forgetProfileInViews();
    void onAutoLockToggled(bool on);
    void onAutoLockMinutesChanged(int minutes);
    // The lock triggers and the clipboard's seconds from the settings, shown in Setup.
    void applyLockSettings();
    void onLockOptionsChanged(const LockOptions& options);

    // The toolbar commands (main_window_commands.cpp).
    void lockCommand();
    void passwordsCommand();
    void setupCommand();
    bool guardedSwitch();
    void addCommand();
    void deleteCommand();
    void saveCommand();
    void saveProfileName();
    void cancelCommand();
    void filterCommand(bool pressed);

    // Import… (main_window_import.cpp).
    void importCommand();

    // The rest (main_window.cpp).
    bool confirmDiscardChanges();
    void setStatusText(const QString& text);
    void onParkClicked();
    void onHelpClicked();
    void onPopupTimer();
    // What a store operation reported: its messages, then forget changes, lock, close or end.
    void carryOut(const StoreReport& report);
    // The questions the store's results leave: asked here, and the store goes on with the answer.
    std::vector<std::u16string> listProfiles();
    void askFolderQuestion(const std::optional<MessageRequest>& question);
    OpenResult answered(OpenResult result);
    SaveResult answered(SaveResult result);
    // Close after a failure the store has reported: no question first.
    void closeMainWindow();
    // End at once: no save, no prompt.
    void endProgramNow();
    QString dataFolder() const;
    QString helpFilePath() const;
    QString welcomePicturePath() const;
    // The size and the split of the passwords view as the user left them.
    void restoreLayout();
    void saveLayout();
    bool saveOnEnter(QObject* watched, QEvent* event);

    AppServices services_;
    std::unique_ptr<ProfileStore> store_;
    Session session_;
    SessionDialogs windowDialogs_{*services_.dialogs, session_, SessionDialogs::Scope::Window};
    SessionDialogs profileDialogs_{*services_.dialogs, session_, SessionDialogs::Scope::Profile};
    ClearingClipboard* clipboard_ = nullptr;
    platform::ScreenLockWatcher* screenLock_ = nullptr;
    LockOptions lockOptions_;

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

    IdleLock* idleLock_ = nullptr;
    // How deep the store's waits and long work, which let window events run, are nested: a lock
    // asked for meanwhile waits until the store's operation has returned.
    int storeCallsRunning_ = 0;
    bool endingSession_ = false;

    // What the commands are set to besides what the screen shows and hides.
    struct CommandsOn {
        bool add = false;
        bool remove = false;
        bool save = false;
        bool cancel = false;
        bool show = false;
        bool generate = false;
        bool print = false;
    };
    CommandsOn commandsOn_;
    // In the profile choice: Add and Delete are shown until Continue is pressed; Save and Cancel
    // from the first Add until the screen is left.
    bool profileRecordsShown_ = true;
    bool profileSaveShown_ = false;

    MainToolbars toolbars_;
    QStackedWidget* screens_ = nullptr;
    QWidget* welcomeScreen_ = nullptr;
    QLabel* welcomePicture_ = nullptr;  // until the welcome animation takes its place
    ProfileView* profileView_ = nullptr;
    LogonView* logonView_ = nullptr;
    QFrame* passwordsScreen_ = nullptr;
    QFrame* categoryScreen_ = nullptr;
    QWidget* categoryContent_ = nullptr;
    SetupFrame* setupFrame_ = nullptr;
    AboutView* aboutView_ = nullptr;
    QComboBox* filterBox_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QProgressBar* logonBusy_ = nullptr;  // the busy bar: a sealed logon or save
    QString statusBeforeBusy_;
    // The thread making a sealed profile's key; null when no logon runs.
    QThread* logonThread_ = nullptr;
    QTimer* popupTimer_ = nullptr;
};

// The window's own setting: its size ("920x680"), and that size at the first start.
inline constexpr char16_t kSettingWindowSize[] = u"WindowSize";
inline constexpr QSize kDefaultWindowSize{920, 680};

// Texts of the window's own messages.
inline constexpr char16_t kDetailsIncorrectText[] = u" The Details are incorrect. Please re-enter.";
inline constexpr char16_t kDeleteEntryText[] = u"Are you sure you wish to delete this entry?";
inline constexpr char16_t kDeleteEntryTitle[] = u"Delete entry";
inline constexpr char16_t kNoHelpText[] =
    u"Unable to display Help Contents. There is no Help associated with this application.";
inline constexpr char16_t kHelpErrorText[] = u"An error has occurred! The error is ";
// Follows kHelpErrorText when no program opened the help page (the page's full path follows).
inline constexpr char16_t kHelpNotOpenedText[] =
    u"No web browser could open the help page. Open this file in one: ";
// Follows the logon status after logon to a profile in the readable form.
inline constexpr char16_t kReadableFileStatusText[] =
    u"  Anyone who can copy this profile's file can read it: Setup seals it.";
// Forgot Logon on a sealed profile that no answers open.
inline constexpr char16_t kNoAnswerSlotText[] =
    u"Forgotten Logon cannot open this sealed profile: its security answers were too easy to guess when it "
    u"was "
    u"sealed. Log on with the logon details, and set stronger answers in Setup.";
inline constexpr char16_t kProfileCreatedText[] =
    u"The new profile's password is opensesame. Log on and change it in Setup.";

}  // namespace keyloft
