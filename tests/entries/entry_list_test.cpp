#include <QApplication>
#include <QColor>
#include <QLabel>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "entries/entry_list_model.h"
#include "entries/passwords_view.h"
#include "pages/readable_colors.h"
#include "entries_test_support.h"

namespace keyloft::testing {
namespace {

using Col = EntryListModel::Column;
const QString kWarning = QStringLiteral("There are passwords which are due to expire in 7 days.");

class EntryListTest : public PasswordsViewTest {
  protected:
    // The row's own text colour; none (invalid) for a row in the palette's text colour.
    QColor colourOf(int row) {
        const QVariant own = entryRows()->index(row, Col::Description).data(Qt::ForegroundRole);
        return own.isValid() ? own.value<QBrush>().color() : QColor();
    }
    void chooseFilter(const QString& text) {
        if (!button("Filter")->isChecked()) press("Filter");
        find<QComboBox>("cboFilter")->setCurrentIndex(find<QComboBox>("cboFilter")->findText(text));
    }
};

TEST_F(EntryListTest, ColumnsHeadingsWidthsAndHiddenValues) {
    setEntries({entry("Bank", "Current account", "jo", "s3cret", "note", "", "https://bank.example",
                      "jo@x.example")},
               {"Bank"});
    openView();
    QTreeView* list = findIn<QTreeView>("fraPasswords", "lstUser");
    ASSERT_EQ(list, find<QTreeView>("lstUser"));
    const QStringList headings = {"Category", "Description", "User/Account ", "Password/Pin",
                                  "Notes",    "Expiry Date", "Web Site",      "Email"};
    const int widths[] = {196, 178, 178, 0, 178, 143, 176, 176};
    ASSERT_EQ(entryRows()->columnCount(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(entryRows()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), headings[c]);
        EXPECT_EQ(list->header()->sectionSize(c), widths[c]) << c;
    }
    EXPECT_EQ(cell(0, Col::Category), "Bank");
    EXPECT_EQ(cell(0, Col::UserCode), "jo");
    EXPECT_EQ(cell(0, Col::Password), "**********");
    EXPECT_EQ(cell(0, Col::WebSite), "https://bank.example");
    EXPECT_EQ(cell(0, Col::Email), "jo@x.example");
    const QModelIndex first = entryRows()->index(0, 0);
    // The list holds no password in any cell, by any role: the editor and the pop-up ask the store.
    for (int c = 0; c < 8; ++c)
        for (int role = 0; role <= EntryListModel::RowPositionRole; ++role)
            EXPECT_FALSE(entryRows()->index(0, c).data(role).toString().contains("s3cret"))
                << c << " " << role;
    EXPECT_EQ(first.data(EntryListModel::RowPositionRole).toInt(), 1);
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());
}

TEST_F(EntryListTest, FilterMatchesCategoryExactlyAndAllShowsEverything) {
    setEntries(
        {entry("Bank", "a", "u1"), entry("bank", "b", "u2"), entry("", "c", "u3"), entry("Mail", "d", "u4")},
        {"Bank", "Mail"});
    openView();
    EXPECT_EQ(find<QComboBox>("cboFilter")->itemText(0), "<All>");
    EXPECT_EQ(find<QComboBox>("cboCategory")->itemText(0), "<None>");
    EXPECT_EQ(entryRows()->rowCount(), 4);
    EXPECT_FALSE(find<QComboBox>("cboFilter")->isEnabled());

    chooseFilter("Bank");
    EXPECT_EQ(entryRows()->rowCount(), 1);
    EXPECT_EQ(rowOf("u1"), 0);
    EXPECT_EQ(rowOf("u2"), -1);  // letter case counts
    EXPECT_EQ(rowOf("u3"), -1);  // no category: only under <All>

    // Typed text filters the same way.
    QTest::keyClicks(find<QComboBox>("cboFilter")->lineEdit(), QStringLiteral("x"));
    EXPECT_EQ(entryRows()->rowCount(), 0);
    find<QComboBox>("cboFilter")->lineEdit()->clear();
    QTest::keyClicks(find<QComboBox>("cboFilter")->lineEdit(), QStringLiteral("Mail"));
    EXPECT_EQ(entryRows()->rowCount(), 1);
    EXPECT_EQ(rowOf("u4"), 0);

    // Releasing the Filter button brings back every entry and locks the box.
    press("Filter");
    EXPECT_FALSE(button("Filter")->isChecked());
    EXPECT_EQ(entryRows()->rowCount(), 4);
    EXPECT_EQ(find<QComboBox>("cboFilter")->currentText(), "<All>");
    EXPECT_FALSE(find<QComboBox>("cboFilter")->isEnabled());
}

TEST_F(EntryListTest, TypingInTheFilterDropsUnsavedEdits) {
    setEntries({entry("Bank", "a", "u1")}, {"Bank"});
    openView();
    press("Filter");
    QTest::keyClicks(find<QLineEdit>("txtUserCode"), QStringLiteral("new"));
    ASSERT_TRUE(window->isDirty());
    QTest::keyClicks(find<QComboBox>("cboFilter")->lineEdit(), QStringLiteral("B"));
    EXPECT_FALSE(window->isDirty());
    EXPECT_TRUE(find<QLineEdit>("txtUserCode")->text().isEmpty());
    EXPECT_TRUE(button("Add")->isEnabled());
    EXPECT_FALSE(button("Save")->isEnabled());
}

TEST_F(EntryListTest, NearExpiryRowsAreRed) {
    // Today is 15 June 2026.
    setEntries({entry("", "", "in7", "p", "", "6/22/26"), entry("", "", "in8", "p", "", "6/23/26"),
                entry("", "", "past", "p", "", "2020-01-01"), entry("", "", "word", "p", "", "someday"),
                entry("", "", "none"), entry("", "", "card", "p", "", "12/05"),
                entry("", "", "later", "p", "", "2027-02-03")});
    dialogs.expect(kWarning);
    openView();
    EXPECT_EQ(dialogs.last().title, u"Warning");
    const QColor red(255, 0, 0), plain;
    EXPECT_EQ(colourOf(rowOf("in7")), red);
    EXPECT_EQ(colourOf(rowOf("in8")), plain);
    EXPECT_EQ(colourOf(rowOf("past")), red);
    EXPECT_EQ(colourOf(rowOf("word")), plain);
    EXPECT_EQ(colourOf(rowOf("none")), plain);
    EXPECT_EQ(colourOf(rowOf("card")), red);  // 1 December 2005
    EXPECT_EQ(colourOf(rowOf("later")), plain);
    // Every cell of a row has the row's colour.
    const QModelIndex notes = entryRows()->index(rowOf("in7"), Col::Notes);
    EXPECT_EQ(notes.data(Qt::ForegroundRole).value<QBrush>().color(), red);

    // The expiry column shows the stored text.
    EXPECT_EQ(cell(rowOf("card"), Col::ExpiryDate), "12/05");
    EXPECT_EQ(cell(rowOf("word"), Col::ExpiryDate), "someday");
    EXPECT_EQ(cell(rowOf("past"), Col::ExpiryDate), "2020-01-01");
    EXPECT_EQ(cell(rowOf("in7"), Col::ExpiryDate), "6/22/26");
}

TEST_F(EntryListTest, CardsValidPast2029AreBlackAndDayFirstDatesAreRead) {
    // Today is 15 June 2026; the locale writes the month first.
    setEntries({entry("", "", "card30", "p", "", "04/30"), entry("", "", "card37", "p", "", "01/37"),
                entry("", "", "old1", "p", "", "19/12/2003"), entry("", "", "old2", "p", "", "17/05/2011"),
                entry("", "", "long", "p", "", QLocale().toString(QDate(2026, 6, 20), QLocale::LongFormat))});
    dialogs.expect(kWarning);
    openView();
    const QColor red(255, 0, 0), plain;
    EXPECT_EQ(colourOf(rowOf("card30")), plain);
    EXPECT_EQ(colourOf(rowOf("card37")), plain);
    EXPECT_EQ(colourOf(rowOf("old1")), red);
    EXPECT_EQ(colourOf(rowOf("old2")), red);
    EXPECT_EQ(colourOf(rowOf("long")), red);  // the locale's long form, as older versions wrote
    EXPECT_EQ(cell(rowOf("old1"), Col::ExpiryDate), "19/12/2003");
}

TEST_F(EntryListTest, OneWarningPerRefresh) {
    setEntries({entry("Bank", "", "a", "p", "", "6/16/26"), entry("Bank", "", "b", "p", "", "6/17/26"),
                entry("Mail", "", "c", "p", "", "6/18/26")},
               {"Bank", "Mail"});
    dialogs.expect(kWarning);
    openView();
    EXPECT_EQ(dialogs.shown().size(), 1u);  // two red rows, one warning
    chooseFilter("Mail");
    chooseFilter("Bank");
    EXPECT_EQ(dialogs.shown().size(), 1u);  // filtering gives none
    dialogs.expect(kWarning);
    openView();  // filled afresh
    EXPECT_EQ(dialogs.shown().size(), 2u);
}

TEST_F(EntryListTest, StatusCountsEveryEntryIncludingFilteredOnes) {
    setEntries({}, {});
    openView();
    EXPECT_EQ(statusText(), "You are logged into test profile! You have 0 records stored!");
    setEntries({entry("Bank", "", "a"), entry("Mail", "", "b"), entry("Mail", "", "c")}, {"Bank", "Mail"});
    openView();  // filled afresh
    chooseFilter("Bank");
    EXPECT_EQ(entryRows()->rowCount(), 1);
    EXPECT_EQ(statusText(), "You are logged into test profile! You have 3 records stored!");
}

TEST_F(EntryListTest, HeadingClicksSortByTextWithOneSharedDirection) {
    setEntries({entry("", "b", "9"), entry("", "c", "10"), entry("", "a", "2")});
    openView();
    auto column = [this](int c) {
        QStringList texts;
        for (int r = 0; r < entryRows()->rowCount(); ++r) texts << cell(r, c);
        return texts;
    };
    EXPECT_EQ(column(Col::Description), QStringList({"b", "c", "a"}));  // file order until a click
    clickHeading(Col::UserCode);  // the first click reverses the initial ascending order
    EXPECT_EQ(column(Col::UserCode), QStringList({"9", "2", "10"}));
    clickHeading(Col::Description);  // direction is shared: ascending again
    EXPECT_EQ(column(Col::Description), QStringList({"a", "b", "c"}));
    clickHeading(Col::Description);
    EXPECT_EQ(column(Col::Description), QStringList({"c", "b", "a"}));
    // Sorting stays on for later rebuilds, and hidden positions follow their rows.
    openView();  // listed afresh
    EXPECT_EQ(column(Col::Description), QStringList({"c", "b", "a"}));
    EXPECT_EQ(entryRows()->index(0, 0).data(EntryListModel::RowPositionRole).toInt(), 2);
    // The password column shows one mask on every row: sorting on it keeps the order.
    setEntries({entry("", "b", "u1", "zz"), entry("", "a", "u2", "aa")});
    openView();  // listed afresh
    clickHeading(Col::Password);
    EXPECT_EQ(column(Col::Description), QStringList({"b", "a"}));
}

TEST_F(EntryListTest, SortingIgnoresLetterCaseBothWays) {
    // A comparison by code units would put "C" before "b".
    setEntries({entry("", "b", "u1"), entry("", "A", "u2"), entry("", "C", "u3")});
    openView();
    QStringList texts[2];
    for (QStringList& sorted : texts) {
        clickHeading(Col::Description);
        for (int r = 0; r < entryRows()->rowCount(); ++r) sorted << cell(r, Col::Description);
    }
    // The first click turns sorting on descending; the second ascending.
    EXPECT_EQ(texts[0], QStringList({"C", "b", "A"}));
    EXPECT_EQ(texts[1], QStringList({"A", "b", "C"}));
}

TEST_F(EntryListTest, SortingKeepsTheSelectedEntrySelected) {
    setEntries({entry("", "b", "x"), entry("", "a", "y")});
    openView();
    clickRow(rowOf("x"));
    clickHeading(Col::Description);
    clickHeading(Col::Description);  // ascending: y first
    const QModelIndexList selected = find<QTreeView>("lstUser")->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(cell(selected.first().row(), Col::UserCode), "x");
}

TEST_F(EntryListTest, ThePrintedRowsAreInListOrderWithThePasswordInClear) {
    setEntries({entry("Bank", "d1", "u1", "p1", "n", "12/29", "w", "e"), entry("", "d2", "u2", "p2")},
               {"Bank"});
    openView();
    clickHeading(Col::Description);  // descending
    const std::vector<MasterListRow> rows = parts->passwords->masterListRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (MasterListRow{"", "d2", "u2", "p2", "", "", "", ""}));
    EXPECT_EQ(rows[1], (MasterListRow{"Bank", "d1", "u1", "p1", "n", "12/29", "w", "e"}));
}

// Under a dark theme every row reads: ordinary rows in the palette's text colour (they were drawn
// black on the dark background), near-expiry rows in a red made light enough for it.
TEST_F(EntryListTest, RowsReadOnADarkPalette) {
    struct PaletteKept {
        QPalette saved = QApplication::palette();
        ~PaletteKept() { QApplication::setPalette(saved); }
    } kept;
    QPalette dark = QApplication::palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    setEntries(
        {entry("", "Ordinary text", "plain"), entry("", "Expired text", "old", "p", "", "2020-01-01")});
    dialogs.expect(kWarning);
    openView();
    QTreeView* list = find<QTreeView>("lstUser");
    QFont large = list->font();
    large.setPointSize(18);  // glyphs with pixels of the full text colour
    list->setFont(large);
    QCoreApplication::processEvents();
    const QImage shot = list->viewport()->grab().toImage();
    for (const auto& [userCode, red] : {std::pair{"plain", false}, std::pair{"old", true}}) {
        const QRect cell =
            list->visualRect(entryRows()->index(rowOf(QString::fromLatin1(userCode)), Col::Description));
        double best = 1;
        QColor ink;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (const double contrast = ContrastRatio(shot.pixelColor(x, y), dark.color(QPalette::Base));
                    contrast > best) {
                    best = contrast;
                    ink = shot.pixelColor(x, y);
                }
        EXPECT_GE(best, 4.5) << userCode;
        EXPECT_EQ(ink.red() > ink.green() + 60, red) << userCode << " " << ink.name().toStdString();
    }
    // The NEW marker is red as it reads on the window.
    ASSERT_TRUE(press("Add"));
    const QPalette marker = find<QLabel>("lblNewUser")->palette();
    EXPECT_GE(ContrastRatio(marker.color(QPalette::WindowText), marker.color(QPalette::Window)), 4.5);
}

// Contrast by relative luminance: black on white is 21 to 1, a colour on itself 1; grey #777 on
// white falls just short of 4.5 (these are the figures of the usual contrast checkers). A
// shaded colour keeps its hue.
TEST(ReadableColours, ContrastAndShading) {
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(ContrastRatio(QColor(119, 119, 119), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(ContrastRatio(QColor(10, 20, 30), QColor(10, 20, 30)), 1.0, 1e-9);
    for (const QColor& background : {QColor(Qt::white), QColor(30, 30, 30), QColor(45, 45, 45)}) {
        const QColor shaded = ReadableOn(QColor(255, 0, 0), background);
        EXPECT_GE(ContrastRatio(shaded, background), 4.5) << background.name().toStdString();
        EXPECT_EQ(shaded.hslHue(), 0) << shaded.name().toStdString();
    }
    EXPECT_EQ(ReadableOn(QColor(200, 0, 0), Qt::white), QColor(200, 0, 0));  // reads already
}

}  // namespace
}  // namespace keyloft::testing
