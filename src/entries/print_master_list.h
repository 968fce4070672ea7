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

// Opens a printer for the job; null when there is none (or the user cancelled).
using PrinterOpener = std::function<std::unique_ptr<platform::Printer>(QWidget* parent)>;

// Where the Print command prints.
struct MasterListPrinters {
    // The system's printer; null when it has none (unset: the real one).
    PrinterOpener system;
    // The PDF file question; null when cancelled (unset: the real file dialog).
    PrinterOpener pdfFile;
};

// Text of the message after a master list went into a file (the path follows).
inline constexpr char16_t kMasterListWrittenText[] = u"The master list was written to ";
// The question asked, before any file dialog, when the system has no printer.
inline constexpr char16_t kNoPrinterText[] =
    u"No printer was found. The master list can be written to a PDF file instead. The file will hold every "
    u"password in clear text: keep it where nobody else can read it, and delete it when you no longer need "
    u"it.\n\nWrite the master list to a PDF file?";
inline constexpr char16_t kNoPrinterTitle[] = u"Print Master List";

// The rows to print, taken once the printer is open.
using MasterListRows = std::function<std::vector<MasterListRow>()>;

// The Print command: the system's printer, or where it has none, the question whether to write a
// PDF file instead (it holds every password in clear; No by default) and then the file question;
// then the rows under the busy pointer. Nothing is printed when the user says No or cancels the
// file question, or when `stillWanted` (when given) says no once the printer is open: the window
// locked while a question was open. A list written to a file ends with a message that says where.
void PrintMasterList(Dialogs& dialogs, const MasterListRows& rows, QWidget* parent,
                     const MasterListPrinters& printers = {}, const std::function<bool()>& stillWanted = {});
// The same for rows given as lists of values (missing values print empty, extra ones are ignored).
void PrintMasterList(Dialogs& dialogs, const std::vector<QStringList>& rows, QWidget* parent);
MasterListRow MasterListRowFrom(const QStringList& values);

}  // namespace keyloft
