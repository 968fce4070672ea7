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

namespace keyloft::testing {
namespace {

using Col = EntryListModel::Column;

class EntryEditorTest : public PasswordsViewTest {
protected:
    void SetUp() override {
        setEntries({entry("Bank", "Current", "alice", "pw1", "", "", "", ""), entry("Mail", "Inbox", "bob", "pw2")},
                   {"Bank", "Mail"});
        openView();
    }
    // Fills the editor as a user would, starting from Add.
    void typeNewEntry(const QString& userCode, const QString& password, const QString& confirm) {
        press("Add");
        QTest::keyClicks(view->txtUserCode, userCode);
        QTest::keyClicks(view->txtUserpass, password);
        QTest::keyClicks(view->txtuserconfirm, confirm);
    }
};

TEST_F(EntryEditorTest, ControlsCarryTheirNames) {
    for (const char* name : {"txtUserDesc", "txtUserCode", "txtUserpass", "txtuserconfirm", "txtExpiry", "txtWeb",
                             "txtEmail"})
        EXPECT_NE(view->findChild<QLineEdit*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_NE(view->findChild<QPlainTextEdit*>(QStringLiteral("txtSource")), nullptr);
    EXPECT_NE(view->findChild<QComboBox*>(QStringLiteral("cboCategory")), nullptr);
    EXPECT_EQ(view->parentWidget(), window->fraPasswords);
    EXPECT_EQ(view->lblNewUser->text(), "NEW");
    EXPECT_EQ(view->cmdCopyClip->toolTip(), "Copy to Clipboard");
    EXPECT_EQ(view->txtUserpass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(view->txtuserconfirm->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(view->cboCategory->isEditable());
    EXPECT_TRUE(view->cboFilter->isEditable());
}

TEST_F(EntryEditorTest, ThePasswordsCommandSetsTheButtonsAndSetupHidesThem) {
    EXPECT_TRUE(button("Add")->isVisible() && button("Add")->isEnabled());
    for (const char* key : {"Delete", "Save", "Cancel", "Show", "Generate"})
        EXPECT_TRUE(button(key)->isVisible() && !button(key)->isEnabled()) << key;
    EXPECT_TRUE(button("Print")->isVisible() && button("Print")->isEnabled());
    EXPECT_TRUE(button("Filter")->isVisible());
    EXPECT_FALSE(view->isHidden());
    press("Setup");
    EXPECT_FALSE(window->fraPasswords->isVisible());
    // Setup has its own Save and Cancel, off until something changes.
    for (const char* key : {"Add", "Delete", "Filter", "Show", "Generate", "Print"})
        EXPECT_FALSE(button(key)->isVisible()) << key;
    for (const char* key : {"Add", "Delete", "Save", "Cancel", "Show", "Generate", "Print"})
        EXPECT_FALSE(button(key)->isEnabled()) << key;
    EXPECT_TRUE(view->cboFilter->isHidden());
}

TEST_F(EntryEditorTest, RowClickLoadsTheEntryAndTypingMarksDirty) {
    clickRow(rowOf("alice"));
    EXPECT_EQ(view->cboCategory->currentText(), "Bank");
    EXPECT_EQ(view->txtUserCode->text(), "alice");
    EXPECT_EQ(view->txtUserDesc->text(), "Current");
    EXPECT_EQ(view->txtUserpass->text(), "pw1");
    EXPECT_EQ(view->txtuserconfirm->text(), "pw1");
    EXPECT_FALSE(window->isDirty());  // filled under the guard
    for (const char* key : {"Show", "Generate", "Delete"}) EXPECT_TRUE(button(key)->isEnabled()) << key;
    QTest::keyClicks(view->txtSource, QStringLiteral("x"));
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());
    EXPECT_FALSE(button("Add")->isEnabled());
}

TEST_F(EntryEditorTest, MovingThroughTheListWithTheKeyboardLoadsTheRow) {
    clickRow(rowOf("alice"));
    const QString other = rowOf("alice") == 0 ? QStringLiteral("bob") : QStringLiteral("alice");
    QTest::keyClick(view->lstUser, rowOf("alice") == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_EQ(view->txtUserCode->text(), other);
    EXPECT_FALSE(window->isDirty());

    // With unsaved edits the keyboard asks as a click does; No keeps the edits and their row.
    QTest::keyClicks(view->txtSource, QStringLiteral("edited"));
    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"),
                            MessageAnswer::No);
    QTest::keyClick(view->lstUser, rowOf(other) == 0 ? Qt::Key_Down : Qt::Key_Up);
    EXPECT_EQ(view->txtUserCode->text(), other);
    EXPECT_EQ(view->txtSource->toPlainText(), "edited");
    EXPECT_TRUE(window->isDirty());
}

TEST_F(EntryEditorTest, EntryWithDeletedCategoryLoadsWithNoneSelected) {
    store->profile().categories.removeAt(1);  // Bank
    view->refresh();
    clickRow(rowOf("alice"));
    EXPECT_EQ(view->cboCategory->currentIndex(), -1);
    QTest::keyClicks(view->txtUserDesc, QStringLiteral("!"));
    press("Save");
    EXPECT_EQ(entriesOnDisk().back(), entry("", "Current!", "alice", "pw1"));
}

TEST_F(EntryEditorTest, EditedEntryMovesToTheEndOfTheFile) {
    clickRow(rowOf("alice"));
    view->txtUserDesc->setText(QStringLiteral("Savings"));
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
    EXPECT_EQ(view->txtUserDesc->text(), "Savings");
    EXPECT_TRUE(button("Delete")->isEnabled());
}

TEST_F(EntryEditorTest, TextIsTrimmedExceptWebSiteAndEmail) {
    press("Add");
    view->cboCategory->setCurrentIndex(view->FindListIndex(view->cboCategory, QStringLiteral("Mail")));
    view->txtUserDesc->setText(QStringLiteral("  desc  "));
    view->txtUserCode->setText(QStringLiteral(" carol "));
    view->txtUserpass->setText(QStringLiteral(" pass "));
    view->txtuserconfirm->setText(QStringLiteral("pass   "));  // compared trimmed
    view->txtSource->setPlainText(QStringLiteral("  line one\nline two  "));
    view->txtExpiry->setText(QStringLiteral("   "));
    view->txtWeb->setText(QStringLiteral(" https://w.example "));
    view->txtEmail->setText(QStringLiteral(" c@e.example "));
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
        view->txtExpiry->setText(typed);
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
         "  Enter a valid Expiry Date!\nType a month as 12/27 or 12/2027, or a day as 2027-12-31 or 12/31/2027."},
        {"u|v", "p", "p", "", "The character | cannot be used in an entry."},
        {"u", "p|", "p|", "", "The character | cannot be used in an entry."},
        {"   ", "p", "q|", "x", "The character | cannot be used in an entry."},  // "|" comes first
        {"u", "p", "q", "x", "Password and confirmation entry do not match!"},
    };
    for (const Case& c : cases) {
        typeNewEntry(c.userCode, c.password, c.confirm);
        view->txtExpiry->setText(c.expiry);
        dialogs.expect(c.message);
        press("Save");
        EXPECT_EQ(dialogs.last().title, u"Keyloft");
        EXPECT_TRUE(window->isDirty()) << c.message.toStdString();
        EXPECT_TRUE(button("Save")->isEnabled());
        EXPECT_EQ(view->txtUserCode->text(), c.userCode);
        EXPECT_TRUE(view->newMarkerVisible());
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
    view->FillEntryList();  // the rebuild forgets the current row
    view->txtUserCode->setText(QStringLiteral("erin"));
    view->txtUserpass->setText(QStringLiteral("p"));
    view->txtuserconfirm->setText(QStringLiteral("p"));
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
    EXPECT_EQ(view->listModel()->rowCount(), 1);
    EXPECT_FALSE(button("Delete")->isEnabled());
    // Without a selected row the page deletes nothing.
    view->remove();
    EXPECT_EQ(entriesOnDisk().size(), 1u);
}

TEST_F(EntryEditorTest, CancelAfterAddDropsTheNewEntry) {
    press("Add");
    EXPECT_TRUE(view->newMarkerVisible());
    EXPECT_FALSE(button("Delete")->isEnabled());
    EXPECT_TRUE(button("Generate")->isEnabled());
    EXPECT_TRUE(button("Cancel")->isEnabled());
    EXPECT_FALSE(window->isDirty());
    QTest::keyClicks(view->txtUserCode, QStringLiteral("frank"));
    press("Cancel");
    EXPECT_FALSE(window->isDirty());
    EXPECT_FALSE(view->newMarkerVisible());
    EXPECT_TRUE(view->txtUserCode->text().isEmpty());
    EXPECT_EQ(view->listModel()->rowCount(), 2);
    EXPECT_EQ(entriesOnDisk().size(), 2u);
    EXPECT_TRUE(button("Add")->isEnabled());
    EXPECT_FALSE(button("Save")->isEnabled());
}

TEST_F(EntryEditorTest, RowClickWithUnsavedChangesAsksFirst) {
    clickRow(rowOf("alice"));
    QTest::keyClicks(view->txtUserDesc, QStringLiteral(" edited"));
    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"),
                            MessageAnswer::No);
    clickRow(rowOf("bob"));
    EXPECT_EQ(view->txtUserDesc->text(), "Current edited");
    EXPECT_TRUE(window->isDirty());
    const auto selected = view->lstUser->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(cell(selected.first().row(), Col::UserCode), "alice");

    dialogs.expect(QStringLiteral("You have unsaved changes. Continue and lose changes?"),
                            MessageAnswer::Yes);
    clickRow(rowOf("bob"));
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(view->txtUserDesc->text().isEmpty());  // the rebuilt list has no selection
    EXPECT_TRUE(view->lstUser->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(entriesOnDisk()[0], entry("Bank", "Current", "alice", "pw1"));
}

TEST_F(EntryEditorTest, GenerateAsksBeforeOverwriting) {
    press("Add");
    press("Generate");  // empty box: no question
    const QString first = view->txtUserpass->text();
    EXPECT_EQ(first.size(), 7);
    EXPECT_EQ(view->txtuserconfirm->text(), first);
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
    EXPECT_EQ(view->txtUserpass->text(), first);

    dialogs.expect(QStringLiteral("Are you sure you want to overwite the existing password?"),
                            MessageAnswer::Yes);
    press("Generate");
    EXPECT_NE(view->txtUserpass->text(), first);
    // A generated password passes the confirmation check.
    QTest::keyClicks(view->txtUserCode, QStringLiteral("gen"));
    const QString generated = view->txtUserpass->text();
    press("Save");
    EXPECT_EQ(entriesOnDisk().back(), entry("", "", "gen", generated));
}

TEST_F(EntryEditorTest, CopyPutsThePasswordOnTheClipboard) {
    QTest::mouseClick(view->cmdCopyClip, Qt::LeftButton);
    EXPECT_EQ(clipboard.copies, 0);  // nothing to copy
    clickRow(rowOf("bob"));
    QTest::mouseClick(view->cmdCopyClip, Qt::LeftButton);
    EXPECT_EQ(clipboard.copies, 1);
    EXPECT_EQ(clipboard.text(), "pw2");
}

TEST_F(EntryEditorTest, SelectedEntryFieldsForThePopUp) {
    EXPECT_FALSE(view->selectedEntryFields().has_value());
    clickRow(rowOf("bob"));
    const auto fields = view->selectedEntryFields();
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(*fields, std::vector<std::u16string>({u"4", u"Mail", u"Inbox", u"bob", u"pw2", u"", u"", u"", u""}));
}

}  // namespace
}  // namespace keyloft::testing
