#pragma once
// The passwords view under test: a small window double (real QActions for the toolbar buttons,
// the session flags, a status line), scripted dialogs, a recording clipboard and a profile store
// on a fresh temporary folder.

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
#include "pages/view_host.h"
#include "entries/passwords_view.h"
#include "platform/qt_clipboard.h"
#include "store/clock.h"
#include "store/file_system.h"
#include "store/profile_store.h"
#include "support/gui_scripted_dialogs.h"

namespace keyloft {
class frmNewMain;
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

class FakeWindow : public ViewHost {
public:
    explicit FakeWindow(ProfileStore& store);
    ~FakeWindow() override;

    ProfileStore& store() override { return store_; }
    // Saves and shows what the store reports; a lock or close is counted.
    SaveOutcome saveProfile() override;
    Dialogs& dialogs() override { return dialogs_; }
    bool isDirty() const override { return dirty_; }
    void SetDirty(bool bolDirty) override;
    bool fillGuard() const override { return fillGuard_; }
    void setFillGuard(bool on) override { fillGuard_ = on; }
    bool passwordEdited() const override { return passwordEdited_; }
    void setPasswordEdited(bool on) override { passwordEdited_ = on; }
    bool ConfirmDiscardChanges() override;
    QAction* toolbarButton(const QString& key) override;
    void setStatusText(const QString& text) override { status_ = text; }
    QString logonStatusText() const override { return QStringLiteral("You are logged into test profile!"); }
    void ShowBusyPointer() override { ++busy_; }
    void ShowIdlePointer() override { busy_ = 0; }

    ScriptedDialogs dialogs_;
    QString status_;
    int busy_ = 0;
    int locks_ = 0;
    QWidget root;

private:
    ProfileStore& store_;
    bool dirty_ = false;
    bool fillGuard_ = false;
    bool passwordEdited_ = false;
    QMap<QString, QAction*> actions_;
};

// Fixture: a store with an open profile, the window double and the view, locale en_US and a
// fixed today of 15 June 2026.
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
    // Shows the view and fills its lists, as the Passwords command does.
    void openView();
    int rowOf(const QString& userCode) const;  // -1 when not listed
    QString cell(int row, int column) const;
    void clickRow(int row);
    QAction* button(const char* key) { return window->toolbarButton(QString::fromLatin1(key)); }

    QTemporaryDir folder;
    FixedClock clock;
    ScriptedDialogs storeDialogs;
    std::unique_ptr<StoreHost> storeHost;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<ProfileStore> store;
    std::unique_ptr<FakeWindow> window;
    RecordingClipboard clipboard;
    std::unique_ptr<PasswordsView> view;
    std::unique_ptr<QAbstractItemModelTester> modelTester;

private:
    QLocale savedLocale_;
};

// The user's way to a session on a new profile of that name (password "opensesame"): the load
// step, Unlock, the profile chosen, Continue, the password, Log on.
void LogOnToNewProfile(frmNewMain& window, const std::u16string& name);

// Services for a real main window on the given folder (database, application folder and
// settings): scripted dialogs, no real waits, no desktop programs, no tray, no folder dialog.
AppServices WindowServicesIn(const std::filesystem::path& folder, Dialogs& dialogs, FileSystem& files,
                             SettingsStore& settings, const Clock& clock);

}  // namespace keyloft::testing
