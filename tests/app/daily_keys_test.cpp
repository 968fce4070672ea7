// The passwords view by keyboard for daily use: the search box, copying by keys, Escape in a
// drop-down, and boxes scrolled into view.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>

#include "store/profile.h"
#include "store/profile_store.h"
#include "support/gui_keyboard_fixture.h"

namespace keyloft::testing {
namespace {

const std::vector<std::u16string> kEntries = {
    u"4|Food|Caf\u00e9 Central|anna|pw1||||",
    u"4||Bank|bob|pw2|met at the CAFE|||",
    u"4|Food|Bakery|carl|pw3||||",
};

class DailyKeys : public KeyboardWindowTest {
  protected:
    QLineEdit* search() { return find<QLineEdit>("txtSearch"); }
    // The user codes of the listed rows, in list order.
    QStringList listed() {
        QStringList codes;
        for (const EntryListModel::Row& row : entryRows()->rows())
            codes << row.cells[EntryListModel::UserCode];
        return codes;
    }
    // The row chosen by keys in the list (0 the first).
    void chooseRow(int row) {
        find<QTreeView>("lstUser")->setFocus();
        key(Qt::Key_End);
        key(Qt::Key_Home);
        for (int i = 0; i < row; ++i) key(Qt::Key_Down);
    }
};

TEST_F(DailyKeys, TypingInTheSearchBoxListsTheMatchesAndEscapeOnlyEmptiesIt) {
    logOnToPasswords(kEntries);
    chooseRow(1);
    ASSERT_EQ(find<QLineEdit>("txtUserCode")->text(), QStringLiteral("bob"));
    find<QLineEdit>("txtUserDesc")->setFocus();
    type(QStringLiteral(" edited"));
    ASSERT_TRUE(window->isDirty());

    key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(search()->hasFocus());
    type(QStringLiteral("CAFE"));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("anna"), QStringLiteral("bob")}));
    EXPECT_TRUE(statusText().endsWith(QStringLiteral(" You have 3 records stored! 2 match the search.")))
        << statusText().toStdString();
    EXPECT_TRUE(find<QTreeView>("lstUser")->selectionModel()->isRowSelected(1, {}));  // bob stays chosen
    type(QStringLiteral(" c"));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("anna")});
    EXPECT_TRUE(statusText().endsWith(QStringLiteral(" 1 matches the search.")));

    // Escape empties the box and nothing else: the edit of bob's entry is still there.
    key(Qt::Key_Escape);
    EXPECT_TRUE(search()->text().isEmpty());
    EXPECT_EQ(listed().size(), 3);
    EXPECT_TRUE(window->isDirty());
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), QStringLiteral("Bank edited"));
    key(Qt::Key_Escape);  // again, in an empty box
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(statusText().endsWith(QStringLiteral(" You have 3 records stored!")));

    // Saved while the search leaves it unlisted, the edited entry replaces bob's.
    type(QStringLiteral("bakery"));
    keys(QKeySequence::Save);
    ASSERT_FALSE(window->isDirty());
    const std::vector<std::u16string> stored = RecordsOf(window->store().open().profile().entries);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored.back(), u"4||Bank edited|bob|pw2|met at the CAFE|||");
}

TEST_F(DailyKeys, TheSearchNarrowsTheChosenCategory) {
    logOnToPasswords(kEntries, {QStringLiteral("Food")});
    key(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);  // Filter
    auto* filter = find<QComboBox>("cboFilter");
    filter->setCurrentIndex(filter->findText(QStringLiteral("Food")));
    key(Qt::Key_F, Qt::ControlModifier);
    type(QStringLiteral("caf\u00c9"));
    EXPECT_EQ(listed(), QStringList{QStringLiteral("anna")});
    key(Qt::Key_Escape);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("anna"), QStringLiteral("carl")}));
}

TEST_F(DailyKeys, TheChosenEntryIsCopiedByKeysAndTheStatusSaysWhichButNeverWhat) {
    logOnToPasswords(kEntries);
    find<QTreeView>("lstUser")->setFocus();
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard.copies, 0);
    EXPECT_TRUE(statusText().endsWith(QStringLiteral(" Choose an entry first: nothing was copied.")));

    chooseRow(0);
    ASSERT_EQ(find<QLineEdit>("txtUserCode")->text(), QStringLiteral("anna"));
    struct Case {
        QWidget* focus;
        Qt::Key key;
        const char* copied;
        const char* said;
    };
    const Case cases[] = {
        {find<QTreeView>("lstUser"), Qt::Key_C, "pw1", " Password copied to the clipboard."},
        {find<QTreeView>("lstUser"), Qt::Key_B, "anna", " User code copied to the clipboard."},
        {find<QLineEdit>("txtUserpass"), Qt::Key_C, "pw1", " Password copied to the clipboard."},  // masked
        {find<QLineEdit>("txtuserconfirm"), Qt::Key_B, "anna", " User code copied to the clipboard."},
    };
    int copies = clipboard.copies;
    for (const Case& c : cases) {
        c.focus->setFocus();
        key(c.key, Qt::ControlModifier);
        EXPECT_EQ(clipboard.copies, ++copies) << c.said;
        EXPECT_EQ(clipboard.text(), QString::fromLatin1(c.copied));
        EXPECT_TRUE(statusText().endsWith(QString::fromLatin1(c.said))) << statusText().toStdString();
        EXPECT_FALSE(statusText().contains(QString::fromLatin1(c.copied)));
    }
    // A box with a selection keeps its own Ctrl+C.
    find<QLineEdit>("txtUserDesc")->setFocus();
    find<QLineEdit>("txtUserDesc")->selectAll();
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard.copies, copies);

    // The editor's copy button follows the confirmation in the Tab order.
    find<QLineEdit>("txtuserconfirm")->setFocus();
    key(Qt::Key_Tab);
    ASSERT_TRUE(find<QToolButton>("cmdCopyClip")->hasFocus());
    clipboard.otherProgramCopies(QString());
    key(Qt::Key_Space);
    EXPECT_EQ(clipboard.text(), QStringLiteral("pw1"));
    EXPECT_FALSE(window->isDirty());
}

TEST_F(DailyKeys, ThePopUpTakesTheFocusCopiesByAltLettersAndClosesOnEscape) {
    logOnToPasswords(kEntries);
    chooseRow(0);
    find<QLineEdit>("txtUserDesc")->setFocus();
    type(QStringLiteral("x"));  // an edit that Escape in the pop-up must not cancel
    key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);  // Show
    auto* popup = find<QWidget>("frmshowpass");
    ASSERT_TRUE(popup->isVisible());
    QApplication::setActiveWindow(popup);  // as the desktop does on the pop-up's request
    EXPECT_EQ(QApplication::focusWidget(), findIn<QLineEdit>("frmshowpass", "txtcode"));
    key(Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(clipboard.text(), QStringLiteral("anna"));
    key(Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(clipboard.text(), QStringLiteral("pw1"));
    key(Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    activate();
    EXPECT_TRUE(window->isDirty());
    EXPECT_EQ(find<QLineEdit>("txtUserDesc")->text(), QStringLiteral("Café Centralx"));
}

TEST_F(DailyKeys, EscapeInAnOpenDropDownClosesItAndKeepsTheNewEntry) {
    logOnToPasswords(kEntries, {QStringLiteral("Food")});
    keys(QKeySequence::New);  // Add
    type(QStringLiteral("carol"));
    key(Qt::Key_C, Qt::AltModifier);
    auto* category = find<QComboBox>("cboCategory");
    ASSERT_TRUE(category->hasFocus());
    key(Qt::Key_Down, Qt::AltModifier);  // open the drop-down
    ASSERT_TRUE(category->view()->isVisible());
    key(Qt::Key_Escape);
    EXPECT_FALSE(category->view()->isVisible());
    EXPECT_TRUE(window->isDirty());
    EXPECT_EQ(find<QLineEdit>("txtUserCode")->text(), QStringLiteral("carol"));
    EXPECT_FALSE(find<QLabel>("lblNewUser")->isHidden());
    key(Qt::Key_Escape);  // closed, Escape is Cancel again
    EXPECT_FALSE(window->isDirty());
}

TEST_F(DailyKeys, AltLetterAndTabScrollTheFocusedBoxIntoViewOfALowWindow) {
    logOnToPasswords(kEntries);
    window->resize(640, 520);
    QApplication::processEvents();
    auto* scroll = find<QScrollArea>("editorScroll");
    auto* email = find<QLineEdit>("txtEmail");
    auto shownInFull = [scroll](QWidget* box) {
        const QRect inViewport(box->mapTo(scroll->viewport(), QPoint(0, 0)), box->size());
        return scroll->viewport()->rect().contains(inViewport);
    };
    ASSERT_FALSE(shownInFull(email)) << "the window is high enough to show every box: nothing is tested";
    keys(QKeySequence::New);
    key(Qt::Key_M, Qt::AltModifier);
    ASSERT_TRUE(email->hasFocus());
    EXPECT_TRUE(shownInFull(email));
    key(Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(shownInFull(find<QComboBox>("cboCategory")));
    key(Qt::Key_X, Qt::AltModifier);
    for (int tabs = 0; tabs < 3 && focus() != email; ++tabs) {
        EXPECT_TRUE(shownInFull(focus())) << focus()->objectName().toStdString();
        key(Qt::Key_Tab);
    }
    ASSERT_EQ(focus(), email);
    EXPECT_TRUE(shownInFull(email));
}

TEST_F(DailyKeys, TheGeneratorsOptionsAreRememberedAndTheStrengthFollowsThePassword) {
    logOnToPasswords(kEntries);
    keys(QKeySequence::New);
    EXPECT_TRUE(find<QLabel>("lblStrength")->text().isEmpty());
    key(Qt::Key_G, Qt::ControlModifier);  // Generate, 20 letters and digits unless told otherwise
    const QString first = find<QLineEdit>("txtUserpass")->text();
    EXPECT_EQ(first.size(), 20);
    EXPECT_TRUE(std::all_of(first.begin(), first.end(), [](QChar c) { return c.isLetterOrNumber(); }));
    EXPECT_EQ(find<QLabel>("lblStrength")->text(), QStringLiteral("Strength: Strong (4 of 4)"));

    key(Qt::Key_G, Qt::AltModifier);
    ASSERT_TRUE(find<QSpinBox>("spnLength")->hasFocus());
    key(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("32"));
    key(Qt::Key_Tab);
    ASSERT_TRUE(find<QCheckBox>("chkSymbols")->hasFocus());
    key(Qt::Key_Space);  // Include symbols
    EXPECT_TRUE(find<QCheckBox>("chkSymbols")->isChecked());
    dialogs.expect(u"Are you sure you want to overwite the existing password?", MessageAnswer::Yes);
    key(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(find<QLineEdit>("txtUserpass")->text().size(), 32);

    // A weak password typed over it says so, and why.
    find<QLineEdit>("txtUserpass")->setFocus();
    key(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("password1"));
    EXPECT_TRUE(find<QLabel>("lblStrength")
                    ->text()
                    .startsWith(QStringLiteral(
                        "Strength: Very weak (0 of 4). Common words and passwords are easy to guess.")))
        << find<QLabel>("lblStrength")->text().toStdString();

    // The next start of the program has the same options.
    parts.reset();
    window.reset();
    start();
    activate();
    logOnAs({.name = u"Shared"});
    key(Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(find<QSpinBox>("spnLength")->value(), 32);
    EXPECT_TRUE(find<QCheckBox>("chkSymbols")->isChecked());
}

}  // namespace
}  // namespace keyloft::testing
