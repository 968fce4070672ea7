// The passwords view inside the real main window, driven through the window's toolbars.
#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include "entries/entry_list_model.h"
#include "entries_test_support.h"
#include "store/profile_store.h"
#include "support/profile_seeding.h"

namespace keyloft::testing {
namespace {

class PasswordsInWindowTest : public PasswordsViewTest {
  protected:
    void toolbar1(const char* key) { ASSERT_TRUE(press(key)); }
    void toolbar2(const char* key) { ASSERT_TRUE(press(key)); }
    // The user ID the pop-up shows; empty when it is not open.
    QString userIdShown() {
        return frameShown("frmshowpass") ? findIn<QLineEdit>("frmshowpass", "txtcode")->text() : QString();
    }
};

TEST_F(PasswordsInWindowTest, AddSaveShowFilterAndDeleteThroughTheToolbars) {
    ASSERT_TRUE(
        RewriteAndReload(window->store(), [](Profile& profile) {
            profile.categories.add(u"Bank");
            profile.entries = EntriesOf({u"4|Bank|Current|alice|pw1||||", u"4||Other|bob|pw2||6/20/26||"});
        }).loaded());

    dialogs.expect(QStringLiteral("There are passwords which are due to expire in 7 days."));
    toolbar1("Passwords");
    EXPECT_TRUE(find<QComboBox>("cboFilter")->isVisible());
    EXPECT_EQ(entryRows()->rowCount(), 2);
    EXPECT_TRUE(button("Add")->isEnabled());

    // Add and save a new entry.
    toolbar2("Add");
    EXPECT_TRUE(newMarkerShown());
    EXPECT_TRUE(button("Generate")->isEnabled());
    QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("carol"));
    toolbar1("Generate");
    EXPECT_TRUE(button("Save")->isEnabled());
    const QString generated = find<QLineEdit>("txtUserpass")->text();
    toolbar2("Save");
    EXPECT_FALSE(window->isDirty());
    EXPECT_EQ(entriesOnDisk().back(), u"4|||carol|" + generated.toStdU16String() + u"||||");
    EXPECT_EQ(entryRows()->rowCount(), 3);

    // The saved entry stays chosen: Show hands it to the pop-up.
    toolbar1("Show");
    EXPECT_EQ(userIdShown(), QStringLiteral("carol"));
    clickRow(0);
    toolbar1("Show");
    EXPECT_EQ(userIdShown(), QStringLiteral("alice"));

    // Filter on Bank through the window's filter box, then release it.
    toolbar2("Filter");  // pressed
    EXPECT_TRUE(find<QComboBox>("cboFilter")->isEnabled());
    find<QComboBox>("cboFilter")->setCurrentIndex(1);
    EXPECT_EQ(entryRows()->rowCount(), 1);
    toolbar2("Filter");  // released
    EXPECT_EQ(entryRows()->rowCount(), 3);
    EXPECT_FALSE(find<QComboBox>("cboFilter")->isEnabled());

    // Delete bob after the window's question.
    clickRow(1);
    ASSERT_EQ(entryRows()->index(1, EntryListModel::UserCode).data().toString(), "bob");
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    toolbar2("Delete");
    const auto onDisk = entriesOnDisk();
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(onDisk[0], u"4|Bank|Current|alice|pw1||||");
    EXPECT_TRUE(statusText().endsWith(QStringLiteral(" You have 2 records stored!")));
}

TEST_F(PasswordsInWindowTest, ReleasingFilterDropsTypedFilterText) {
    ASSERT_TRUE(RewriteAndReload(window->store(), [](Profile& profile) {
                    profile.entries = EntriesOf({u"4|Bank|a|u1|p||||", u"4|Mail|b|u2|p||||"});
                }).loaded());
    toolbar1("Passwords");
    toolbar2("Filter");                                     // pressed
    find<QComboBox>("cboFilter")->lineEdit()->selectAll();  // typing replaces "<All>"
    QTest::keyClicks(find<QComboBox>("cboFilter")->lineEdit(), QStringLiteral("Mail"));
    ASSERT_EQ(entryRows()->rowCount(), 1);
    toolbar2("Filter");  // released
    EXPECT_EQ(entryRows()->rowCount(), 2);
    EXPECT_EQ(find<QComboBox>("cboFilter")->currentText(), "<All>");
}

TEST_F(PasswordsInWindowTest, LeavingThePasswordsViewHidesTheNewMarker) {
    toolbar1("Passwords");
    toolbar2("Add");
    ASSERT_TRUE(newMarkerShown());
    toolbar2("Cancel");
    EXPECT_FALSE(newMarkerShown());
    toolbar2("Add");
    toolbar1("Setup");
    EXPECT_FALSE(newMarkerShown());
    EXPECT_FALSE(frameShown("fraPasswords"));
}

TEST_F(PasswordsInWindowTest, ARefusedSaveKeepsTheEditsMarkedUnsaved) {
    toolbar1("Passwords");
    toolbar2("Add");
    QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral("no user code"));
    ASSERT_TRUE(window->isDirty());
    dialogs.expect(QStringLiteral("Account/UserCode must have a valid entry!"));
    toolbar2("Save");
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), "no user code");
    EXPECT_TRUE(entriesOnDisk().empty());

    // Switching away now asks first; No keeps the edits.
    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"), MessageAnswer::No);
    toolbar1("Setup");
    EXPECT_TRUE(frameShown("fraPasswords"));
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), "no user code");
}

}  // namespace
}  // namespace keyloft::testing
