#pragma once
// A main window on a fresh temporary folder (database folder, application folder and settings),
// with scripted message boxes, a clock the test sets by hand and no real waits.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/window_assembly.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_shell.h"
#include "store/clock.h"
#include "store/profile.h"
#include "store/file_system.h"
#include "store/settings_store.h"
#include "support/gui_scripted_dialogs.h"
#include "support/gui_widget_helpers.h"

namespace keyloft::testing {

class ManualClock final : public Clock {
public:
    LocalTime now() const override { return time_; }
    // Moves on by whole seconds (within one day).
    void advanceSeconds(int seconds);

private:
    LocalTime time_{2026, 12, 8, 9, 0, 0, 0};
};

class RecordingClipboard final : public platform::Clipboard {
public:
    void setSecretText(const QString& text) override { text_ = text; }
    QString text() const override { return text_; }

private:
    QString text_;
};

class RecordingShell final : public platform::Shell {
public:
    bool open(const QString& item) override {
        opened.push_back(item);
        return opens;
    }
    std::vector<QString> opened;
    bool opens = true;
};

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

    // Writes a profile file into the database folder (before start()).
    void writeProfile(const ProfileOnDisk& wanted);
    // Creates and loads the window (its load step runs; no message box is expected unless queued).
    // With `assemble` set, the views, pop-up, welcome animation and tray go in first, as the
    // program puts them in.
    MainWindow& start();
    // Another instance opens the profile, changes it and saves it; this window's store lets go of
    // the file meanwhile (it keeps its session, as when the other instance took the file).
    void otherInstanceSaves(const std::u16string& name, const std::function<void(Profile&)>& change);
    // Unlock, choose the named profile and press Continue.
    void unlockAndChoose(const QString& profileName);
    // The whole way to a logged-on session with a password-only profile.
    void logOnAs(const ProfileOnDisk& wanted);

    template <typename T>
    T* find(const char* name) {
        return child<T>(window.get(), QString::fromLatin1(name));
    }
    QAction* button(const char* key) { return findAction(window.get(), QString::fromLatin1(key)); }
    bool press(const char* key) { return triggerEnabled(window.get(), QString::fromLatin1(key)); }
    bool frameShown(const char* name);
    bool exists(const std::u16string& profileName) const;

    QTemporaryDir temp;
    std::filesystem::path folder;
    std::filesystem::path dataFolder;  // AppServices::dataFolder; empty: the application folder
    WelcomeAnimationApi* welcome = nullptr;  // plugged in before Form_Load when set
    ManualClock clock;
    ScriptedDialogs dialogs;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SettingsStore> settings;
    int endProgramCalls = 0;
    std::vector<QUrl> openedUrls;
    bool openUrlSucceeds = true;
    bool trayAvailable = false;
    QString chosenFolder;
    std::vector<int> waits;
    std::function<void()> duringWait;
    std::function<std::unique_ptr<platform::Printer>(QWidget*)> openPrinter;
    bool assemble = false;
    RecordingClipboard clipboard;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowParts> parts;
};

}  // namespace keyloft::testing
