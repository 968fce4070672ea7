#pragma once
// The master list: every listed entry as a table of eight columns, long values wrapped inside
// their column, page numbers at the foot of every page.

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "platform/qt_printer.h"

class QWidget;

namespace keyloft {

class Dialogs;

// category, description, user code, password (in clear), notes, expiry, web site, e-mail
using MasterListRow = std::array<QString, 8>;

// One print job's layout over a printer.
class MasterListPrint {
public:
    explicit MasterListPrint(platform::Printer& printer);

    // Prints the rows in the given order and ends the job.
    void PrintMasterList(const std::vector<MasterListRow>& rows);
    // Title and headings of a page; sets the column starts and the row top.
    void PrintPageHeader();
    // Footer of a page, then a new page.
    void PrintPageFooter();
    // Starts a new page when the next line would fall into the bottom margin, continuing at the
    // given column's start below the headings.
    void CheckPageBreak(double lineHeight, int column);

    int pageNumber() const { return page_; }
    double columnStart(int column) const { return x_[static_cast<std::size_t>(column)]; }
    double rowTop() const { return rowTop_; }

    static QString paddedHeading(int column);  // 1..8

private:
    platform::Printer& printer_;
    std::array<double, 9> x_{};
    double rowTop_ = 0;
    double lowest_ = 0;
    int page_ = 0;
};

// Opens the job's printer; null when there is none or the user cancelled.
using PrinterOpener = std::function<std::unique_ptr<platform::Printer>(QWidget* parent)>;

// Text of the message after a master list went into a file (the path follows).
inline constexpr char16_t kMasterListWrittenText[] = u"The master list was written to ";

// The rows to print, taken once the printer is open.
using MasterListRows = std::function<std::vector<MasterListRow>()>;

// The Print command: the printer `open` gives (empty: the default printer, or a PDF file the user
// names when the system has no printer), then the rows under the busy pointer. Nothing is printed
// when no printer could be opened, the user cancels the file question, or `stillWanted` (when
// given) says no once the printer is open: the window locked while the file question was open. A
// list written to a file ends with a message that says where.
void PrintMasterList(Dialogs& dialogs, const MasterListRows& rows, QWidget* parent,
                     const PrinterOpener& open = {}, const std::function<bool()>& stillWanted = {});
// The same for rows given as lists of values (missing values print empty, extra ones are ignored).
void PrintMasterList(Dialogs& dialogs, const std::vector<QStringList>& rows, QWidget* parent);
MasterListRow MasterListRowFrom(const QStringList& values);

}  // namespace keyloft
