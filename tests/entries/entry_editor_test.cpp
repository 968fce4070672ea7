#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include "entries/entry_list_model.h"
#include "entries_test_support.h"
#include "support/gui_widget_helpers.h"
#include "support/profile_seeding.h"

namespace keyloft::testing {
namespace {

using Col = EntryListModel::Column;

class EntryEditorTest : public PasswordsViewTest {
  protected:
    void SetUp() override {
        PasswordsViewTest::SetUp();
        setEntries(
            {entry("Bank", "Current", "alice", "pw1", "", "", "", ""), entry("Mail", "Inbox", "bob", "pw2")},
            {"Bank", "Mail"});
        openView();
    }
    // Fills the editor as a user would, starting from Add.
    void typeNewEntry(const QString& userCode, const QString& password, const QString& confirm) {
        press("Add");
        QTest::keyClicks(find<QLineEdit>("txtUserCode"), userCode);
        QTest::keyClicks(find<QLineEdit>("txtUserpass"), password);
        QTest::keyClicks(find<QLineEdit>("txtuserconfirm"), confirm);
    }
};

TEST_F(EntryEditorTest, ControlsCarryTheirNames) {
    for (const char* name :
         {"txtUserDesc", "txtUserCode", "txtUserpass", "txtuserconfirm", "txtExpiry", "txtWeb", "txtEmail"})
        EXPECT_NE(findIn<QLineEdit>("fraPasswords", name), nullptr) << name;
    EXPECT_NE(findIn<QPlainTextEdit>("fraPasswords", "txtSource"), nullptr);
    EXPECT_NE(findIn<QComboBox>("fraPasswords", "cboCategory"), nullptr);
    EXPECT_EQ(find<QWidget>("passwordsContent")->parentWidget(), find<QWidget>("fraPasswords"));
    EXPECT_EQ(find<QLabel>("lblNewUser")->text(), "NEW");
    EXPECT_EQ(find<QToolButton>("cmdCopyClip")->toolTip(), "Copy to Clipboard");
    EXPECT_EQ(find<QLineEdit>("txtUserpass")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(find<QLineEdit>("txtuserconfirm")->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(find<QComboBox>("cboCategory")->isEditable());
    EXPECT_TRUE(find<QComboBox>("cboFilter")->isEditable());
}

TEST_F(EntryEditorTest, ThePasswordsCommandSetsTheButtonsAndSetupHidesThem) {
    EXPECT_TRUE(button("Add")->isVisible() && button("Add")->isEnabled());
    for (const char* key : {"Delete", "Save", "Cancel", "Show", "Generate"})
        EXPECT_TRUE(button(key)->isVisible() && !button(key)->isEnabled()) << key;
    EXPECT_TRUE(button("Print")->isVisible() && button("Print")->isEnabled());
    EXPECT_TRUE(button("Filter")->isVisible());
    EXPECT_TRUE(frameShown("passwordsContent"));
    press("Setup");
    EXPECT_FALSE(frameShown("fraPasswords"));
    // Setup has its own Save and Cancel, off until something changes.
    for (const char* key : {"Add", "Delete", "Filter", "Show", "Generate", "Print"})
        EXPECT_FALSE(button(key)->isVisible()) << key;
    for (const char* key : {"Add", "Delete", "Save", "Cancel", "Show", "Generate", "Print"})
        EXPECT_FALSE(button(key)->isEnabled()) << key;
    EXPECT_TRUE(find<QComboBox>("cboFilter")->isHidden());
}

TEST_F(EntryEditorTest, RowClickLoadsTheEntryAndTypingMarksDirty) {
    clickRow(rowOf("alice"));
    EXPECT_EQ(find<QComboBox>("cboCategory")->currentText(), "Bank");
    EXPECT_EQ(find<QLineEdit>("txtUserCode")->text(), "alice");
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), "Current");
    EXPECT_EQ(find<QLineEdit>("txtUserpass")->text(), "pw1");
    EXPECT_EQ(find<QLineEdit>("txtuserconfirm")->text(), "pw1");
    EXPECT_FALSE(window->isDirty());  // filled under the guard
    for (const char* key : {"Show", "Generate", "Delete"}) EXPECT_TRUE(button(key)->isEnabled()) << key;
    QTest::keyClicks(find<QPlainTextEdit>("txtSource"), QStringLiteral("x"));
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());
    EXPECT_FALSE(button("Add")->isEnabled());
}

TEST_F(EntryEditorTest, MovingThroughTheListWithTheKeyboardLoadsTheRow) {
    clickRow(rowOf("alice"));
    const QString other = rowOf("alice") == 0 ? QStringLiteral("bob") : QStringLiteral("alice");
    QTest::keyClick(find<QTreeView>("lstUser"), rowOf("alice") == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_EQ(find<QLineEdit>("txtUserCode")->text(), other);
    EXPECT_FALSE(window->isDirty());

    // With unsaved edits the keyboard asks as a click does; No keeps the edits and their row.
    QTest::keyClicks(find<QPlainTextEdit>("txtSource"), QStringLiteral("edited"));
    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"), MessageAnswer::No);
    QTest::keyClick(find<QTreeView>("lstUser"), rowOf(other) == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_EQ(find<QLineEdit>("txtUserCode")->text(), other);
    EXPECT_EQ(find<QPlainTextEdit>("txtSource")->toPlainText(), "edited");
    EXPECT_TRUE(window->isDirty());
}

TEST_F(EntryEditorTest, EntryWithDeletedCategoryLoadsWithNoneSelected) {
    ASSERT_TRUE(Saved(store().edits().removeCategory(1)));  // Bank
    press("Passwords");                                     // filled afresh
    clickRow(rowOf("alice"));
    EXPECT_EQ(find<QComboBox>("cboCategory")->currentIndex(), -1);
    QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral("!"));
    press("Save");
    EXPECT_EQ(entriesOnDisk().back(), entry("", "Current!", "alice", "pw1"));
}

TEST_F(EntryEditorTest, EditedEntryMovesToTheEndOfTheFile) {
    clickRow(rowOf("alice"));
    find<QLineEdit>("txtUserDesc")->setText(QStringLiteral("Savings"));
    press("Save");
    const auto onDisk = entriesOnDisk();
    ASSERT_EQ(onDisk.size(), 2u);
    EXPECT_EQ(onDisk[0], entry("Mail", "Inbox", "bob", "pw2"));
    EXPECT_EQ(onDisk[1], entry("Bank", "Savings", "alice", "pw1"));
    EXPECT_EQ(entriesAfterRestart(), onDisk);
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(button("Add")->isEnabled());
    EXPECT_FALSE(button("Save")->isEnabled());
    // The stored entry stays the chosen one.
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), "Savings");
    EXPECT_TRUE(button("Delete")->isEnabled());
}

TEST_F(EntryEditorTest, TextIsTrimmedExceptWebSiteAndEmail) {
    press("Add");
    find<QComboBox>("cboCategory")
        ->setCurrentIndex(find<QComboBox>("cboCategory")->findText(QStringLiteral("Mail")));
    find<QLineEdit>("txtUserDesc")->setText(QStringLiteral("  desc  "));
    find<QLineEdit>("txtUserCode")->setText(QStringLiteral(" carol "));
    find<QLineEdit>("txtUserpass")->setText(QStringLiteral(" pass "));
    find<QLineEdit>("txtuserconfirm")->setText(QStringLiteral("pass   "));  // compared trimmed
    find<QPlainTextEdit>("txtSource")->setPlainText(QStringLiteral("  line one\nline two  "));
    find<QLineEdit>("txtExpiry")->setText(QStringLiteral("   "));
    find<QLineEdit>("txtWeb")->setText(QStringLiteral(" https://w.example "));
    find<QLineEdit>("txtEmail")->setText(QStringLiteral(" c@e.example "));
    press("Save");
    EXPECT_EQ(entriesOnDisk().back(), entry("Mail", "desc", "carol", "pass", "line one\nline two", "",
                                            " https://w.example ", " c@e.example "));
}

TEST_F(EntryEditorTest, ExpiryStoredAsIsoOrAsCardForm) {
    // Locale en_US: month first unless a number over 12 says otherwise.
    const std::pair<QString, QString> cases[] = {
        {"2027-03-04", "2027-03-04"},
        {"3/4/27", "2027-03-04"},
        {"15/01/2024", "2024-01-15"},
        {QLocale().toString(QDate(2027, 3, 4), QLocale::LongFormat), "2027-03-04"},
        {" 12/05 ", "12/05"},
        {"04/30", "04/30"},
    };
    int n = 0;
    for (const auto& [typed, stored] : cases) {
        const QString user = QStringLiteral("u%1").arg(++n);
        typeNewEntry(user, "p", "p");
        find<QLineEdit>("txtExpiry")->setText(typed);
        press("Save");
        EXPECT_EQ(entriesOnDisk().back(), entry("", "", user, "p", "", stored)) << typed.toStdString();
    }
}

TEST_F(EntryEditorTest, ChecksRefuseTheSaveAndKeepTheEdits) {
    const auto before = entriesOnDisk();
    struct Case {
        QString userCode, password, confirm, expiry, message;
    };
    const Case cases[] = {
        {"   ", "p", "p", "", "Account/UserCode must have a valid entry!"},
        {"u", "p", "q", "", "Password and confirmation entry do not match!"},
        {"u", "p", "p", "31/31/31",
         "  Enter a valid Expiry Date!\nType a month as 12/27 or 12/2027, or a day as 2027-12-31 or "
         "12/31/2027."},
        {"u|v", "p", "p", "", "The character | cannot be used in an entry."},
        {"u", "p|", "p|", "", "The character | cannot be used in an entry."},
        {"   ", "p", "q|", "x", "The character | cannot be used in an entry."},  // "|" comes first
        {"u", "p", "q", "x", "Password and confirmation entry do not match!"},
    };
    for (const Case& c : cases) {
        typeNewEntry(c.userCode, c.password, c.confirm);
        find<QLineEdit>("txtExpiry")->setText(c.expiry);
        dialogs.expect(c.message);
        press("Save");
        EXPECT_EQ(dialogs.last().title, u"Keyloft");
        EXPECT_TRUE(window->isDirty()) << c.message.toStdString();
        EXPECT_TRUE(button("Save")->isEnabled());
        EXPECT_EQ(find<QLineEdit>("txtUserCode")->text(), c.userCode);
        EXPECT_TRUE(newMarkerShown());
        press("Cancel");
    }
    EXPECT_EQ(entriesOnDisk(), before);
}

TEST_F(EntryEditorTest, BlankPasswordWarnsThenStores) {
    typeNewEntry("dave", "", "");
    dialogs.expect(QStringLiteral("Password is blank!"));
    press("Save");
    EXPECT_EQ(dialogs.last().title, u"Warning");
    EXPECT_EQ(entriesOnDisk().back(), entry("", "", "dave", ""));
}

TEST_F(EntryEditorTest, SaveWithoutSelectionSinceRebuildAddsAndRemovesNothing) {
    clickRow(rowOf("alice"));
    // Filter pressed and released: the list is built again and no row is chosen.
    press("Filter");
    press("Filter");
    find<QLineEdit>("txtUserCode")->setText(QStringLiteral("erin"));
    find<QLineEdit>("txtUserpass")->setText(QStringLiteral("p"));
    find<QLineEdit>("txtuserconfirm")->setText(QStringLiteral("p"));
    press("Save");
    const auto onDisk = entriesOnDisk();
    ASSERT_EQ(onDisk.size(), 3u);
    EXPECT_EQ(onDisk[0], entry("Bank", "Current", "alice", "pw1"));
    EXPECT_EQ(onDisk[1], entry("Mail", "Inbox", "bob", "pw2"));
}

TEST_F(EntryEditorTest, DeleteRemovesTheSelectedEntryFromTheFile) {
    clickRow(rowOf("bob"));
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    press("Delete");
    EXPECT_EQ(entriesOnDisk(), std::vector<std::u16string>({entry("Bank", "Current", "alice", "pw1")}));
    EXPECT_EQ(entryRows()->rowCount(), 1);
    EXPECT_FALSE(button("Delete")->isEnabled());
    // Without a selected row the Delete key deletes nothing and asks nothing.
    QTest::keyClick(find<QTreeView>("lstUser"), Qt::Key_Delete);
    EXPECT_EQ(entriesOnDisk().size(), 1u);
}

TEST_F(EntryEditorTest, CancelAfterAddDropsTheNewEntry) {
    press("Add");
    EXPECT_TRUE(newMarkerShown());
    EXPECT_FALSE(button("Delete")->isEnabled());
    EXPECT_TRUE(button("Generate")->isEnabled());
    EXPECT_TRUE(button("Cancel")->isEnabled());
    EXPECT_FALSE(window->isDirty());
    QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("frank"));
    press("Cancel");
    EXPECT_FALSE(window->isDirty());
    EXPECT_FALSE(newMarkerShown());
    EXPECT_TRUE(find<QLineEdit>("txtUserCode")->text().isEmpty());
    EXPECT_EQ(entryRows()->rowCount(), 2);
    EXPECT_EQ(entriesOnDisk().size(), 2u);
    EXPECT_TRUE(button("Add")->isEnabled());
    EXPECT_FALSE(button("Save")->isEnabled());
}

TEST_F(EntryEditorTest, RowClickWithUnsavedChangesAsksFirst) {
    clickRow(rowOf("alice"));
    QTest::keyClicks(find<QLineEdit>("txtUserDesc"), QStringLiteral(" edited"));
    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"), MessageAnswer::No);
    clickRow(rowOf("bob"));
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), "Current edited");
    EXPECT_TRUE(window->isDirty());
    const auto selected = find<QTreeView>("lstUser")->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(cell(selected.first().row(), Col::UserCode), "alice");

    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"),
                   MessageAnswer::Yes);
    clickRow(rowOf("bob"));
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(find<QLineEdit>("txtUserDesc")->text().isEmpty());  // the rebuilt list has no selection
    EXPECT_TRUE(find<QTreeView>("lstUser")->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(entriesOnDisk()[0], entry("Bank", "Current", "alice", "pw1"));
}

TEST_F(EntryEditorTest, GenerateAsksBeforeOverwriting) {
    press("Add");
    press("Generate");  // empty box: no question
    const QString first = find<QLineEdit>("txtUserpass")->text();
    EXPECT_EQ(first.size(), 20);  // the generator's length unless the user chose another
    EXPECT_EQ(find<QLineEdit>("txtuserconfirm")->text(), first);
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(dialogs.shown().empty());

    dialogs.expect(QStringLiteral("Are you sure you want to overwite the existing password?"),
                   MessageAnswer::No);
    press("Generate");
    const MessageRequest& question = dialogs.last();
    EXPECT_EQ(question.title, u"Password");
    EXPECT_EQ(question.icon, MessageIcon::Exclamation);
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(question.defaultAnswer, MessageAnswer::No);
    EXPECT_EQ(find<QLineEdit>("txtUserpass")->text(), first);

    dialogs.expect(QStringLiteral("Are you sure you want to overwite the existing password?"),
                   MessageAnswer::Yes);
    press("Generate");
    EXPECT_NE(find<QLineEdit>("txtUserpass")->text(), first);
    // A generated password passes the confirmation check.
    QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("gen"));
    const QString generated = find<QLineEdit>("txtUserpass")->text();
    press("Save");
    EXPECT_EQ(entriesOnDisk().back(), entry("", "", "gen", generated));
}

TEST_F(EntryEditorTest, CopyPutsThePasswordOnTheClipboard) {
    QTest::mouseClick(find<QToolButton>("cmdCopyClip"), Qt::LeftButton);
    EXPECT_EQ(clipboard.copies, 0);  // nothing to copy
    clickRow(rowOf("bob"));
    QTest::mouseClick(find<QToolButton>("cmdCopyClip"), Qt::LeftButton);
    EXPECT_EQ(clipboard.copies, 1);
    EXPECT_EQ(clipboard.text(), "pw2");
}

TEST_F(EntryEditorTest, ShowHandsTheChosenEntryToThePopUp) {
    EXPECT_FALSE(button("Show")->isEnabled());
    clickRow(rowOf("bob"));
    press("Show");
    ASSERT_TRUE(frameShown("frmshowpass"));
    EXPECT_EQ(findIn<QLabel>("frmshowpass", "lblTitle")->text(), "Inbox");
    EXPECT_EQ(findIn<QLineEdit>("frmshowpass", "txtcode")->text(), "bob");
    EXPECT_EQ(findIn<QLineEdit>("frmshowpass", "txtpass")->text(), "pw2");
}

}  // namespace
}  // namespace keyloft::testing
