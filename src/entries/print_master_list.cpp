#include "entries/print_master_list.h"

#include <algorithm>

#include <QDir>

#include "platform/qt_dialogs.h"
#include "store/ui_host.h"
#include "pages/text_rules.h"

namespace keyloft {

namespace {

constexpr char16_t kTitle[] = u"Keyloft User Passwords";
constexpr char16_t kUnderline[] = u"-----------------";
constexpr char16_t kPagePrefix[] = u"Page ";
constexpr char16_t kFirstPage[] = u"Page 1";
constexpr char16_t kLineSample[] = u"test";
constexpr double kTitlePoints = 12;
constexpr double kBodyPoints = 8;
constexpr double kLeftOffsetPoints = 12;
constexpr double kColumnGapPoints = 5;

struct Heading {
    const char16_t* text;
    int spaces;
};
constexpr Heading kPrintedHeadings[8] = {
    {u"Category", 10}, {u"Description", 25}, {u"User Code", 15}, {u"Password", 15},
    {u"Notes", 35},    {u"Expiry Date", 6},  {u"Web Site", 30},  {u"Email", 30},
};

}  // namespace

QString MasterListPrint::paddedHeading(int column) {
    if (column < 1 || column > 8) return {};
    const Heading& heading = kPrintedHeadings[column - 1];
    return QtText(heading.text) + QString(heading.spaces, QLatin1Char(' '));
}

MasterListPrint::MasterListPrint(platform::Printer& printer) : printer_(printer) {}

void MasterListPrint::PrintPageHeader() {
    const double unit = printer_.unitsPerPoint();
    x_[0] = kLeftOffsetPoints * unit;

    printer_.setFont(kTitlePoints, true);
    const QString title = QtText(kTitle);
    printer_.setCurrentX((printer_.pageWidth() - printer_.textWidth(title)) / 2);
    printer_.setCurrentY(2 * printer_.textHeight(title));
    printer_.print(title);
    printer_.print(QString());

    printer_.setFont(kBodyPoints, false);
    const double headingLine = printer_.currentY();
    for (int i = 1; i <= 8; ++i) {
        const double previousWidth = i == 1 ? 0 : printer_.textWidth(paddedHeading(i - 1));
        x_[static_cast<std::size_t>(i)] =
            x_[static_cast<std::size_t>(i - 1)] + previousWidth + kColumnGapPoints * unit;
        printer_.setCurrentX(x_[static_cast<std::size_t>(i)]);
        printer_.setCurrentY(headingLine);
        printer_.print(paddedHeading(i));
        printer_.setCurrentX(x_[static_cast<std::size_t>(i)]);
        printer_.print(QtText(kUnderline));
    }
    rowTop_ = printer_.currentY();
}

void MasterListPrint::PrintPageFooter() {
    ++page_;
    const double lineHeight = printer_.textHeight(QtText(kLineSample));
    printer_.setCurrentY(printer_.pageHeight() - lineHeight);
    printer_.setCurrentX((printer_.pageWidth() - printer_.textWidth(QtText(kFirstPage))) / 2);
    printer_.print(QtText(kPagePrefix) + QString::number(page_));
    printer_.newPage();
}

void MasterListPrint::CheckPageBreak(double lineHeight, int column) {
    if (printer_.currentY() < printer_.pageHeight() - 3 * lineHeight) return;
    PrintPageFooter();
    PrintPageHeader();
    printer_.setCurrentX(x_[static_cast<std::size_t>(std::clamp(column, 0, 8))]);
    printer_.setCurrentY(rowTop_);
}

void MasterListPrint::PrintMasterList(const std::vector<MasterListRow>& rows) {
    page_ = 0;
    PrintPageHeader();
    const double lineHeight = printer_.textHeight(QtText(kLineSample));
    for (const MasterListRow& row : rows) {
        for (int j = 1; j <= 8; ++j) {
            const auto column = static_cast<std::size_t>(j);
            printer_.setCurrentX(x_[column]);
            printer_.setCurrentY(rowTop_);
            const QString heading = paddedHeading(j);
            const double w = printer_.textWidth(heading);
            const qsizetype n = heading.size();
            QString v = row[column - 1];
            while (printer_.textWidth(v) > w) {
                qsizetype c = std::min(n, v.size());
                while (c > 1 && printer_.textWidth(v.left(c)) > w) --c;
                // A value is always cut after at least one character, so the loop ends.
                c = std::max<qsizetype>(c, 1);
                CheckPageBreak(lineHeight, j);
                printer_.print(v.left(c));
                printer_.setCurrentX(x_[column]);
                lowest_ = std::max(lowest_, printer_.currentY());
                v = v.mid(c);
            }
            CheckPageBreak(lineHeight, j);
            printer_.print(v);
            lowest_ = std::max(lowest_, printer_.currentY());
        }
        rowTop_ = lowest_;
        lowest_ = 0;
    }
    PrintPageFooter();
    printer_.endDoc();
}

void PrintMasterList(Dialogs& dialogs, const MasterListRows& rows, QWidget* parent,
                     const MasterListPrinters& printers, const std::function<bool()>& stillWanted) {
    // The printer comes first: where there is none, the user is asked about a file, and those
    // questions should not appear under the hourglass.
    std::unique_ptr<platform::Printer> printer =
        printers.system ? printers.system(parent) : platform::OpenSystemPrinter();
    if (!printer) {
        MessageRequest question;
        question.text = kNoPrinterText;
        question.title = kNoPrinterTitle;
        question.icon = MessageIcon::Exclamation;
        question.buttons = MessageButtons::YesNo;
        question.defaultAnswer = MessageAnswer::No;
        if (dialogs.showMessage(question) != MessageAnswer::Yes) return;
        if (stillWanted && !stillWanted()) return;
        printer = printers.pdfFile ? printers.pdfFile(parent) : platform::AskForPdfPrinter(parent);
        if (!printer) return;
    }
    if (stillWanted && !stillWanted()) return;
    platform::ShowBusyPointer();
    MasterListPrint job(*printer);
    job.PrintMasterList(rows());
    platform::ShowIdlePointer();
    const QString file = printer->outputFile();
    if (file.isEmpty()) return;
    MessageRequest told;
    told.text = kMasterListWrittenText + QDir::toNativeSeparators(file).toStdU16String() + u".";
    told.icon = MessageIcon::Information;
    dialogs.showMessage(told);
}

MasterListRow MasterListRowFrom(const QStringList& values) {
    MasterListRow row;
    for (std::size_t i = 0; i < row.size() && static_cast<qsizetype>(i) < values.size(); ++i)
        row[i] = values.at(static_cast<qsizetype>(i));
    return row;
}

void PrintMasterList(Dialogs& dialogs, const std::vector<QStringList>& rows, QWidget* parent) {
    std::vector<MasterListRow> records;
    records.reserve(rows.size());
    for (const QStringList& values : rows) records.push_back(MasterListRowFrom(values));
    PrintMasterList(
        dialogs, [&records] { return records; }, parent);
}

}  // namespace keyloft
