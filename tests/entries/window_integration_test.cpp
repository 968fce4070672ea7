// The passwords view inside the real main window, driven through the window's toolbars.
#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "entries/entry_list_model.h"
#include "app/window_assembly.h"
#include "platform/qt_shell.h"
#include "entries/password_popup.h"
#include "entries/passwords_view.h"
#include "entries_test_support.h"
#include "support/gui_widget_helpers.h"
#include "platform/platform_core.h"
#include "store/file_system.h"
#include "store/profile_store.h"

namespace keyloft::testing {
namespace {

class NoShell final : public platform::Shell {
public:
    bool open(const QString&) override { return false; }
};

class PasswordsInWindowTest : public ::testing::Test {
protected:
    PasswordsInWindowTest() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const std::filesystem::path path(folder.path().toStdU16String());
        files = platform::CreateHostFileSystem();
        settings = platform::CreateSettingsStoreIn(path);
        window = std::make_unique<MainWindow>(WindowServicesIn(path, dialogs, *files, *settings, clock));
        window->store().setDatabaseFolder(path);
        parts = AssembleWindow(*window, clipboard, shell, [] { return QDate(2026, 6, 15); });
        LogOnToNewProfile(*window, u"test");
    }
    ~PasswordsInWindowTest() override {
        parts.reset();
        window.reset();
        QLocale::setDefault(QLocale::system());
    }
    QAction* button(const char* key) { return window->toolbarButton(QString::fromLatin1(key)); }
    void toolbar1(const char* key) { ASSERT_TRUE(triggerEnabled(window.get(), QString::fromLatin1(key))); }
    void toolbar2(const char* key) { ASSERT_TRUE(triggerEnabled(window.get(), QString::fromLatin1(key))); }
    PasswordsView& view() { return *parts->passwords; }
    // The user ID the pop-up shows; empty when it is not open.
    QString userIdShown() const {
        PasswordPopup* popup = parts->popup;
        return popup->isVisible() ? popup->findChild<QLineEdit*>(QStringLiteral("txtcode"))->text() : QString();
    }
    void selectRow(int row) {
        view().lstUser->selectionModel()->setCurrentIndex(view().listModel()->index(row, 0),
                                                          QItemSelectionModel::ClearAndSelect |
                                                              QItemSelectionModel::Rows);
        view().SelectEntryRow();
    }
    std::vector<std::u16string> entriesOnDisk() {
        EXPECT_TRUE(window->store().ReadFromFile().loaded());
        return window->store().profile().entries;
    }

    QTemporaryDir folder;
    FixedClock clock;
    ScriptedDialogs dialogs;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SettingsStore> settings;
    RecordingClipboard clipboard;
    std::unique_ptr<MainWindow> window;
    NoShell shell;
    std::unique_ptr<WindowParts> parts;
};

TEST_F(PasswordsInWindowTest, AddSaveShowFilterAndDeleteThroughTheToolbars) {
    Profile& profile = window->store().profile();
    profile.categories.add(u"CBANK", u"3|Bank");
    profile.entries = {u"4|Bank|Current|alice|pw1||||", u"4||Other|bob|pw2||6/20/26||"};
    ASSERT_EQ(window->store().WriteToFile().outcome, SaveOutcome::Saved);

    dialogs.expect(QStringLiteral("There are passwords which are due to expire in 7 days."));
    toolbar1("Passwords");
    EXPECT_EQ(window->findChild<QComboBox*>(QStringLiteral("cboFilter")), view().cboFilter);
    EXPECT_EQ(view().listModel()->rowCount(), 2);
    EXPECT_TRUE(button("Add")->isEnabled());

    // Add and save a new entry.
    toolbar2("Add");
    EXPECT_TRUE(view().newMarkerVisible());
    EXPECT_TRUE(button("Generate")->isEnabled());
    QTest::keyClicks(view().txtUserCode, QStringLiteral("carol"));
    toolbar1("Generate");
    EXPECT_TRUE(button("Save")->isEnabled());
    const QString generated = view().txtUserpass->text();
    toolbar2("Save");
    EXPECT_FALSE(window->isDirty());
    EXPECT_EQ(entriesOnDisk().back(), u"4|||carol|" + generated.toStdU16String() + u"||||");
    EXPECT_EQ(view().listModel()->rowCount(), 3);

    // The saved entry stays chosen: Show hands it to the pop-up.
    toolbar1("Show");
    EXPECT_EQ(userIdShown(), QStringLiteral("carol"));
    selectRow(0);
    toolbar1("Show");
    EXPECT_EQ(userIdShown(), QStringLiteral("alice"));

    // Filter on Bank through the window's filter box, then release it.
    toolbar2("Filter");  // pressed
    EXPECT_TRUE(view().cboFilter->isEnabled());
    view().cboFilter->setCurrentIndex(1);
    EXPECT_EQ(view().listModel()->rowCount(), 1);
    toolbar2("Filter");  // released
    EXPECT_EQ(view().listModel()->rowCount(), 3);
    EXPECT_FALSE(view().cboFilter->isEnabled());

    // Delete bob after the window's question.
    selectRow(1);
    ASSERT_EQ(view().listModel()->index(1, EntryListModel::UserCode).data().toString(), "bob");
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    toolbar2("Delete");
    const auto onDisk = entriesOnDisk();
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(onDisk[0], u"4|Bank|Current|alice|pw1||||");
    EXPECT_TRUE(window->StatusBar1->currentMessage().endsWith(QStringLiteral(" You have 2 records stored!")));
}

TEST_F(PasswordsInWindowTest, ReleasingFilterDropsTypedFilterText) {
    window->store().profile().entries = {u"4|Bank|a|u1|p||||", u"4|Mail|b|u2|p||||"};
    ASSERT_EQ(window->store().WriteToFile().outcome, SaveOutcome::Saved);
    toolbar1("Passwords");
    toolbar2("Filter");  // pressed
    view().cboFilter->lineEdit()->selectAll();  // typing replaces "<All>"
    QTest::keyClicks(view().cboFilter->lineEdit(), QStringLiteral("Mail"));
    ASSERT_EQ(view().listModel()->rowCount(), 1);
    toolbar2("Filter");  // released
    EXPECT_EQ(view().listModel()->rowCount(), 2);
    EXPECT_EQ(view().cboFilter->currentText(), "<All>");
}

TEST_F(PasswordsInWindowTest, LeavingThePasswordsViewHidesTheNewMarker) {
    toolbar1("Passwords");
    toolbar2("Add");
    ASSERT_TRUE(view().newMarkerVisible());
    toolbar2("Cancel");
    EXPECT_FALSE(view().newMarkerVisible());
    toolbar2("Add");
    toolbar1("Setup");
    EXPECT_FALSE(view().newMarkerVisible());
    EXPECT_TRUE(window->fraPasswords->isHidden());
}

TEST_F(PasswordsInWindowTest, ARefusedSaveKeepsTheEditsMarkedUnsaved) {
    toolbar1("Passwords");
    toolbar2("Add");
    QTest::keyClicks(view().txtUserDesc, QStringLiteral("no user code"));
    ASSERT_TRUE(window->isDirty());
    dialogs.expect(QStringLiteral("Account/UserCode must have a valid entry!"));
    toolbar2("Save");
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());
    EXPECT_EQ(view().txtUserDesc->text(), "no user code");
    EXPECT_TRUE(entriesOnDisk().empty());

    // Switching away now asks first; No keeps the edits.
    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"), MessageAnswer::No);
    toolbar1("Setup");
    EXPECT_FALSE(window->fraPasswords->isHidden());
    EXPECT_EQ(view().txtUserDesc->text(), "no user code");
}

}  // namespace
}  // namespace keyloft::testing
