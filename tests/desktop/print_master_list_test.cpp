#include "entries/print_master_list.h"
#include "support/gui_fakes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace keyloft {
namespace {

using testing::RecordingPrinter;

MasterListRow Row(const QString& prefix) {
    return {prefix + "-cat",   prefix + "-desc", prefix + "-user",    prefix + "-pass",
            prefix + "-notes", "2030-01-01",     prefix + ".example", prefix + "@example.org"};
}

// Column starts with these metrics: 24 (12 points), then each padded heading (5 units a character)
// and a 10-unit gap.
const double kColumn[9] = {24, 34, 134, 324, 454, 579, 789, 884, 1084};
// Title at 12 points: 15 units high; body: 10 units high.
const double kHeadingLine = 30 + 15 + 15;
const double kFirstRowTop = kHeadingLine + 20;

TEST(MasterListLayout, EmptyListPrintsOnePageWithTitleHeadingsAndPageOne) {
    RecordingPrinter printer(1400, 600);
    MasterListPrint job(printer);
    job.PrintMasterList({});
    EXPECT_TRUE(printer.ended);
    EXPECT_EQ(job.pageNumber(), 1);

    ASSERT_EQ(printer.lines.size(), 2u + 16u + 1u);
    const auto& title = printer.lines[0];
    EXPECT_EQ(title.text, QStringLiteral("Keyloft User Passwords"));
    EXPECT_TRUE(title.bold);
    EXPECT_EQ(title.points, 12);
    EXPECT_DOUBLE_EQ(title.x, (1400 - 22 * 7.5) / 2);
    EXPECT_DOUBLE_EQ(title.y, 30);                // twice the title's height
    EXPECT_EQ(printer.lines[1].text, QString());  // the empty line after it

    const QStringList headings = {"Category          ",
                                  "Description                         ",
                                  "User Code               ",
                                  "Password               ",
                                  "Notes                                   ",
                                  "Expiry Date      ",
                                  "Web Site                              ",
                                  "Email                              "};
    for (int i = 0; i < 8; ++i) {
        const auto& heading = printer.lines[static_cast<std::size_t>(2 + 2 * i)];
        const auto& underline = printer.lines[static_cast<std::size_t>(3 + 2 * i)];
        EXPECT_EQ(heading.text, headings[i]);
        EXPECT_EQ(MasterListPrint::paddedHeading(i + 1), headings[i]);
        EXPECT_DOUBLE_EQ(heading.x, kColumn[i + 1]) << i;
        EXPECT_DOUBLE_EQ(heading.y, kHeadingLine);
        EXPECT_FALSE(heading.bold);
        EXPECT_EQ(heading.points, 8);
        EXPECT_EQ(underline.text, QStringLiteral("-----------------"));
        EXPECT_DOUBLE_EQ(underline.x, kColumn[i + 1]);
        EXPECT_DOUBLE_EQ(underline.y, kHeadingLine + 10);
    }
    const auto& footer = printer.lines.back();
    EXPECT_EQ(footer.text, QStringLiteral("Page 1"));
    EXPECT_DOUBLE_EQ(footer.y, 600 - 10);
    EXPECT_DOUBLE_EQ(footer.x, (1400 - 6 * 5) / 2);
    EXPECT_EQ(footer.page, 1);
    EXPECT_EQ(printer.page(), 2);  // begun by the footer, left empty
}

TEST(MasterListLayout, ValuesStartAtTheirColumnsAndEntriesFollowEachOther) {
    RecordingPrinter printer(1400, 600);
    MasterListPrint job(printer);
    job.PrintMasterList({Row("a"), Row("b")});
    for (int j = 1; j <= 8; ++j) EXPECT_DOUBLE_EQ(job.columnStart(j), kColumn[j]);
    const MasterListRow a = Row("a");
    for (int j = 0; j < 8; ++j) {
        const auto found = printer.find(a[static_cast<std::size_t>(j)]);
        ASSERT_EQ(found.size(), j == 5 ? 2u : 1u) << j;  // both entries expire on the same day
        EXPECT_DOUBLE_EQ(found[0].x, kColumn[j + 1]);
        EXPECT_DOUBLE_EQ(found[0].y, kFirstRowTop);
    }
    EXPECT_DOUBLE_EQ(printer.find("b-cat")[0].y, kFirstRowTop + 10);
    EXPECT_DOUBLE_EQ(printer.find("b@example.org")[0].x, kColumn[8]);
}

TEST(MasterListLayout, LongValuesWrapAtCharacterBoundariesInsideTheirColumn) {
    RecordingPrinter printer(1400, 600);
    MasterListPrint job(printer);
    MasterListRow first = Row("a");
    // Description: 36 characters fit (180 units); 80 characters give 36 + 36 + 8.
    QString description;
    for (int i = 0; i < 80; ++i) description += QChar(u'a' + i % 26);
    first[1] = description;
    // Notes: 'M' is three times as wide, so only 13 of the 40 allowed characters fit in 200 units.
    first[4] = QString(30, QLatin1Char('M'));
    MasterListRow second = Row("b");
    job.PrintMasterList({first, second});

    const auto descriptionLines = printer.at(kColumn[2], 1);
    ASSERT_GE(descriptionLines.size(), 4u);  // heading, underline, three lines of the value
    EXPECT_EQ(descriptionLines[2].text, description.left(36));
    EXPECT_EQ(descriptionLines[3].text, description.mid(36, 36));
    EXPECT_EQ(descriptionLines[4].text, description.mid(72));
    EXPECT_DOUBLE_EQ(descriptionLines[3].y, kFirstRowTop + 10);
    EXPECT_DOUBLE_EQ(descriptionLines[4].y, kFirstRowTop + 20);

    const auto notesLines = printer.at(kColumn[5], 1);
    ASSERT_GE(notesLines.size(), 5u);
    EXPECT_EQ(notesLines[2].text, QString(13, QLatin1Char('M')));
    EXPECT_EQ(notesLines[3].text, QString(13, QLatin1Char('M')));
    EXPECT_EQ(notesLines[4].text, QString(4, QLatin1Char('M')));

    // The next entry starts below the longest column (three lines).
    EXPECT_DOUBLE_EQ(printer.find("b-cat")[0].y, kFirstRowTop + 30);
}

TEST(MasterListLayout, PageBreakInsideAnEntryContinuesBelowTheNextPagesHeadings) {
    // Bottom margin starts at 300 - 3 * 10 = 270: rows from 80 leave 19 lines on a page.
    RecordingPrinter printer(1400, 300);
    MasterListPrint job(printer);
    std::vector<MasterListRow> rows;
    for (int i = 0; i < 17; ++i) rows.push_back(Row(QString::number(i)));
    MasterListRow longNotes = Row("long");
    longNotes[4] = QString(40 * 6, QLatin1Char('n'));  // six lines of notes
    rows.push_back(longNotes);
    rows.push_back(Row("after"));
    job.PrintMasterList(rows);

    // Entry 17 starts at 80 + 170 = 250; its notes reach the margin after two lines.
    const auto notesOnPage1 = printer.at(kColumn[5], 1);
    const auto notesOnPage2 = printer.at(kColumn[5], 2);
    EXPECT_EQ(notesOnPage1.back().text, QString(40, QLatin1Char('n')));
    EXPECT_DOUBLE_EQ(notesOnPage1.back().y, 260);
    ASSERT_EQ(printer.find("Page 1").size(), 1u);
    EXPECT_EQ(printer.find("Page 1")[0].page, 1);
    // Page 2: headings, then the rest of the notes from the row top.
    ASSERT_EQ(notesOnPage2.size(), 2u + 4u);
    EXPECT_EQ(notesOnPage2[0].text, MasterListPrint::paddedHeading(5));
    EXPECT_DOUBLE_EQ(notesOnPage2[2].y, kFirstRowTop);
    EXPECT_DOUBLE_EQ(notesOnPage2[5].y, kFirstRowTop + 30);
    // The later columns of the entry start at page 2's row top.
    const auto expiry = printer.find("2030-01-01");
    ASSERT_EQ(expiry.size(), 19u);
    EXPECT_EQ(expiry[17].page, 2);
    EXPECT_DOUBLE_EQ(expiry[17].y, kFirstRowTop);
    // The following entry comes after one more page break.
    const auto after = printer.find("after-cat");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].page, 3);
    EXPECT_DOUBLE_EQ(after[0].y, kFirstRowTop);
    EXPECT_EQ(printer.find("Page 3").size(), 1u);
    EXPECT_EQ(job.pageNumber(), 3);
}

TEST(MasterListLayout, PageTenFooterIsPlacedLikePageOne) {
    RecordingPrinter printer(1400, 300);
    MasterListPrint job(printer);
    std::vector<MasterListRow> rows;
    for (int i = 0; i < 19 * 10; ++i) rows.push_back(Row(QString::number(i)));
    job.PrintMasterList(rows);
    ASSERT_GE(job.pageNumber(), 10);
    const auto one = printer.find("Page 1");
    const auto ten = printer.find("Page 10");
    ASSERT_EQ(one.size(), 1u);
    ASSERT_EQ(ten.size(), 1u);
    EXPECT_DOUBLE_EQ(ten[0].x, one[0].x);
    EXPECT_DOUBLE_EQ(ten[0].y, one[0].y);
    EXPECT_EQ(ten[0].page, 10);
}

TEST(MasterListLayout, ListsOfValuesBecomeEightValueRecords) {
    const MasterListRow shortRow = MasterListRowFrom({QStringLiteral("cat"), QStringLiteral("desc")});
    EXPECT_EQ(shortRow[1], QStringLiteral("desc"));
    EXPECT_TRUE(shortRow[7].isEmpty());
    QStringList longer;
    for (int i = 0; i < 10; ++i) longer << QString::number(i);
    const MasterListRow cut = MasterListRowFrom(longer);
    EXPECT_EQ(cut[0], QStringLiteral("0"));
    EXPECT_EQ(cut[7], QStringLiteral("7"));
}

TEST(MasterListPdf, RealPrintShowsTitleHeadingsAndEntryOnOnePage) {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.pdf"));
    {
        auto printer = platform::OpenPdfPrinter(path);
        ASSERT_NE(printer, nullptr);
        MasterListPrint job(*printer);
        MasterListRow row = Row("bank");
        row[3] = QStringLiteral("s3cr3t!");
        job.PrintMasterList({row});
    }
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Keyloft User Passwords"))) << text.toStdString();
    for (const char* heading :
         {"Category", "Description", "User Code", "Password", "Notes", "Expiry Date", "Web Site", "Email"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(heading))) << heading;
    EXPECT_TRUE(text.contains(QStringLiteral("bank-desc")));
    EXPECT_TRUE(text.contains(QStringLiteral("s3cr3t!")));
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1")));
    // The page begun by the last footer is not printed.
    EXPECT_EQ(text.count(QChar(u'\f')), 1) << text.toStdString();
}

}  // namespace
}  // namespace keyloft
