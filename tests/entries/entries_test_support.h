#pragma once
// The passwords page under test inside the real main window, logged on to a new profile on a
// fresh temporary folder, with scripted dialogs and a recording clipboard. Tests drive it through
// the window's toolbar commands.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QDate>
#include <QLocale>
#include <QMap>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_services.h"
#include "app/main_window.h"
#include "app/window_assembly.h"
#include "entries/passwords_view.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_shell.h"
#include "store/clock.h"
#include "store/file_system.h"
#include "store/profile_store.h"
#include "support/gui_scripted_dialogs.h"

namespace keyloft {
class MainWindow;
}

namespace keyloft::testing {

class RecordingClipboard : public platform::Clipboard {
public:
    void setSecretText(const QString& text) override {
        text_ = text;
        ++copies;
    }
    QString text() const override { return text_; }
    int copies = 0;

private:
    QString text_;
};

class FixedClock : public Clock {
public:
    LocalTime now() const override {
        LocalTime t;
        t.year = 2026;
        t.month = 6;
        t.day = 15;
        t.hour = 10;
        return t;
    }
};

// What the store asks of the program; message boxes go to the scripted dialogs.
class StoreHost : public UiHost {
public:
    explicit StoreHost(ScriptedDialogs& dialogs) : dialogs_(dialogs) {}
    MessageAnswer showMessage(const MessageRequest& request) override { return dialogs_.showMessage(request); }
    void processEvents() override {}
    void waitMilliseconds(int) override {}

private:
    ScriptedDialogs& dialogs_;
};

class NoShell final : public platform::Shell {
public:
    bool open(const QString&) override { return false; }
};

// Fixture: the window logged on to the new profile "test", its passwords page, locale en_US and
// a fixed today of 15 June 2026.
class PasswordsViewTest : public ::testing::Test {
protected:
    PasswordsViewTest();
    ~PasswordsViewTest() override;

    static QDate today() { return QDate(2026, 6, 15); }
    // Record text of an entry.
    static std::u16string entry(const QString& category, const QString& description, const QString& userCode,
                                const QString& password = QStringLiteral("pw"), const QString& notes = {},
                                const QString& expiry = {}, const QString& web = {}, const QString& email = {});
    void setEntries(const std::vector<std::u16string>& entries, const std::vector<QString>& categories = {});
    // The entries as the profile file holds them (read back from disk).
    std::vector<std::u16string> entriesOnDisk();
    // The entries a fresh store finds after this one lets go of the file (a restart).
    std::vector<std::u16string> entriesAfterRestart();
    // The Passwords command.
    void openView();
    // Triggers a toolbar command, which must be visible and enabled.
    void press(const char* key);
    QString statusText() const;
    int rowOf(const QString& userCode) const;  // -1 when not listed
    QString cell(int row, int column) const;
    void clickRow(int row);
    QAction* button(const char* key) { return window->toolbarButton(QString::fromLatin1(key)); }

    QTemporaryDir folder;
    FixedClock clock;
    ScriptedDialogs dialogs;
    ScriptedDialogs storeDialogs;  // for a second store on the same folder
    std::unique_ptr<StoreHost> storeHost;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SettingsStore> settings;
    RecordingClipboard clipboard;
    NoShell shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<WindowParts> parts;
    ProfileStore* store = nullptr;
    PasswordsView* view = nullptr;
    std::unique_ptr<QAbstractItemModelTester> modelTester;

private:
    QLocale savedLocale_;
};

// The user's way to a session on a new profile of that name (password "opensesame"): the load
// step, Unlock, the profile chosen, Continue, the password, Log on.
void LogOnToNewProfile(MainWindow& window, const std::u16string& name);

// Services for a real main window on the given folder (database, application folder and
// settings): scripted dialogs, no real waits, no desktop programs, no tray, no folder dialog.
AppServices WindowServicesIn(const std::filesystem::path& folder, Dialogs& dialogs, FileSystem& files,
                             SettingsStore& settings, const Clock& clock);

}  // namespace keyloft::testing
