#pragma once
// The printer seam: a page of a given size in device units, text measured and printed at a current
// position that moves to the next line after each print, two fonts, new page and end of job.
// The master list prints through it; tests use a recording fake.

#include <QString>
#include <memory>

class QWidget;

namespace keyloft::platform {

class Printer {
  public:
    virtual ~Printer() = default;

    // Printable area in device units.
    virtual double pageWidth() const = 0;
    virtual double pageHeight() const = 0;
    // Device units per typographic point.
    virtual double unitsPerPoint() const = 0;

    virtual void setFont(double pointSize, bool bold) = 0;
    virtual double textWidth(const QString& text) const = 0;
    virtual double textHeight(const QString& text) const = 0;

    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;

    // Prints at the current position, then moves to the start of the next line.
    virtual void print(const QString& text) = 0;
    // Begins a new page; a page left empty at the end of the job is not printed.
    virtual void newPage() = 0;
    virtual void endDoc() = 0;
    // The file the job is written to; empty for a job on a printer.
    virtual QString outputFile() const { return {}; }
};

// A job on the system's default printer (else its first one); null when the system has no
// printer or it cannot be opened.
std::unique_ptr<Printer> OpenSystemPrinter();

// Asks for a PDF file to print into (suggested name "Keyloft master list.pdf"); null when cancelled.
std::unique_ptr<Printer> AskForPdfPrinter(QWidget* parent);

// A job written to a PDF file (A4 landscape). The file holds every password in clear: it is
// created readable and writable by its owner only, and an existing file is made so first.
std::unique_ptr<Printer> OpenPdfPrinter(const QString& path);

}  // namespace keyloft::platform
