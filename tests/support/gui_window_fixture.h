#pragma once
// The main window on a fresh temporary folder (database folder, application folder and
// settings), with scripted message boxes, a clock the test sets by hand (15 June 2026, 10:00,
// also the entry list's today), no real waits, a recording clipboard and shell, and the locale
// en_US. Tests drive it through its actions and keys; the helpers below find its controls and
// commands by object name.

#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/window_assembly.h"
#include "entries/entry_list_model.h"
#include "store/file_system.h"
#include "store/profile.h"
#include "store/settings_store.h"
#include "support/fake_clock.h"
#include "support/gui_fakes.h"
#include "support/gui_scripted_dialogs.h"
#include "support/gui_widget_helpers.h"
#include "support/quick_sealing.h"

class QAction;

namespace keyloft::testing {

struct ProfileOnDisk {
    std::u16string name;
    int logonMode = 1;
    std::u16string userId = u"opensesame";
    std::u16string password = u"opensesame";
    std::u16string pin = u"opensesame";
    std::vector<std::pair<std::u16string, std::u16string>> questions{{u"Default Question", u"opensesame"}};
    int answerMode = 1;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a profile file into the database folder.
    void writeProfile(const ProfileOnDisk& wanted);
    // Another instance opens the profile, changes it and saves it; this window's store lets go of
    // the file meanwhile (it keeps its session, as when the other instance took the file).
    void otherInstanceSaves(const std::u16string& name, const std::function<void(Profile&)>& change);
    // The profile as another instance loads it (this window's store lets go of the file first).
    Profile profileOnDisk(const std::u16string& name);
    bool exists(const std::u16string& profileName) const;

    // Creates and loads the window (its load step runs; no message box is expected unless
    // queued). With `assemble` set, the pages, pop-up, welcome animation and tray go in first, as
    // the program puts them in.
    MainWindow& start();
    // Unlock, choose the named profile and press Continue.
    void unlockAndChoose(const QString& profileName);
    // The whole way to a logged-on session (the user ID, password and PIN as the profile has them).
    void logOnAs(const ProfileOnDisk& wanted);
    // Lets the thread that makes a sealed profile's key end and its outcome show.
    void waitForLogon();

    // The control named `name` (the first when several carry it); fails the test when missing.
    template <typename T>
    T* find(const char* name) {
        return child<T>(window.get(), QString::fromLatin1(name));
    }
    // The control named `name` inside the one named `container`.
    template <typename T>
    T* findIn(const char* container, const char* name) {
        return child<T>(find<QWidget>(container), QString::fromLatin1(name));
    }
    // The `index`th of the controls that share `name` (a row of questions or answers).
    template <typename T>
    T* nth(const char* name, int index) {
        for (T* control : window->findChildren<T*>(QString::fromLatin1(name)))
            if (control->property("index").toInt() == index) return control;
        ADD_FAILURE() << "no control " << name << "[" << index << "]";
        return nullptr;
    }
    // A toolbar command by its key ("Unlock", "Delete", ...).
    QAction* button(const char* key) { return findAction(window.get(), QString::fromLatin1(key)); }
    // Triggers the command, which must be shown and enabled.
    bool press(const char* key) { return triggerEnabled(window.get(), QString::fromLatin1(key)); }
    bool frameShown(const char* name);
    // The rows of the entry list lstUser.
    EntryListModel* entryRows();
    // One timeout of the window's timer named `name` ("tmrLock", "tmrPass"), as the timer gives it.
    void fireTimer(const char* name);
    QString statusText();

    QTemporaryDir temp;
    std::filesystem::path folder;
    std::filesystem::path dataFolder;        // AppServices::dataFolder; empty: the application folder
    WelcomeAnimationApi* welcome = nullptr;  // plugged in before the load step when set
    FakeClock clock;
    ScriptedDialogs dialogs;
    Dialogs* otherDialogs = nullptr;  // the window's message boxes when set (else `dialogs`)
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SettingsStore> settings;
    int endProgramCalls = 0;
    std::vector<QUrl> openedUrls;
    bool openUrlSucceeds = true;
    bool trayAvailable = false;
    QString chosenFolder;
    QString chosenImportFile;  // what Import…'s file question answers
    std::vector<int> waits;
    std::function<void()> duringWait;
    std::function<std::unique_ptr<platform::Printer>(QWidget*)> openPrinter;  // null: no printer
    std::function<std::unique_ptr<platform::Printer>(QWidget*)> askForPdf;    // the PDF file question
    bool assemble = false;
    sealed::Limits sealingLimits = kQuickSealing;  // of the key slots the window's sealed saves make
    RecordingClipboard clipboard;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowParts> parts;

  private:
    QLocale savedLocale_;
};

}  // namespace keyloft::testing
