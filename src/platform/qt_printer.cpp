#include "platform/qt_printer.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include "platform/owner_only_file.h"
#endif

namespace keyloft::platform {

namespace {

constexpr char16_t kSuggestedPdfName[] = u"Keyloft master list.pdf";

// QPrinter and QPainter with a current position. The page the job is on is only emitted once
// something is drawn on it, so a trailing new page stays empty and unprinted.
class QtPrinter final : public Printer {
  public:
    explicit QtPrinter(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer)) {
        printer_->setPageOrientation(QPageLayout::Landscape);
        started_ = painter_.begin(printer_.get());
        font_ = QFont(painter_.font());
        setFont(8, false);
    }
    ~QtPrinter() override { endDoc(); }

    bool started() const { return started_; }

    double pageWidth() const override { return printer_->width(); }
    double pageHeight() const override { return printer_->height(); }
    double unitsPerPoint() const override { return printer_->logicalDpiY() / 72.0; }

    void setFont(double pointSize, bool bold) override {
        font_.setPointSizeF(pointSize);
        font_.setBold(bold);
        if (painter_.isActive()) painter_.setFont(font_);
    }
    double textWidth(const QString& text) const override {
        return QFontMetricsF(font_, printer_.get()).horizontalAdvance(text);
    }
    double textHeight(const QString&) const override { return QFontMetricsF(font_, printer_.get()).height(); }

    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }

    void print(const QString& text) override {
        if (!text.isEmpty() && painter_.isActive()) {
            if (pagePending_) {
                printer_->newPage();
                pagePending_ = false;
            }
            const QFontMetricsF metrics(font_, printer_.get());
            painter_.drawText(QPointF(x_, y_ + metrics.ascent()), text);
        }
        x_ = 0;
        y_ += textHeight(text);
    }
    void newPage() override {
        pagePending_ = true;
        x_ = 0;
        y_ = 0;
    }
    void endDoc() override {
        if (painter_.isActive()) painter_.end();
    }
    QString outputFile() const override {
        return printer_->outputFormat() == QPrinter::PdfFormat ? printer_->outputFileName() : QString();
    }

  private:
    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    QFont font_;
    double x_ = 0;
    double y_ = 0;
    bool pagePending_ = false;
    bool started_ = false;
};

std::unique_ptr<Printer> started(std::unique_ptr<QtPrinter> printer) {
    if (!printer->started()) return nullptr;
    return printer;
}

// Creates the file for its owner only (or takes an existing one away from everybody else) before
// the printer writes into it; the printer's own open truncates it and keeps that mode.
bool CreatePrivateFile(const QString& path) {
#ifndef _WIN32
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) return false;
    const bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    ::close(fd);
    return ok;
#else
    return !WriteOwnerOnlyFile(path.toStdString(), {});
#endif
}

}  // namespace

std::unique_ptr<Printer> OpenPdfPrinter(const QString& path) {
    if (!CreatePrivateFile(path)) return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setPageSize(QPageSize(QPageSize::A4));
    return started(std::make_unique<QtPrinter>(std::move(printer)));
}

std::unique_ptr<Printer> OpenSystemPrinter() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() && !QPrinterInfo::availablePrinters().isEmpty())
        info = QPrinterInfo::availablePrinters().first();
    if (info.isNull()) return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    return started(std::make_unique<QtPrinter>(std::move(printer)));
}

std::unique_ptr<Printer> AskForPdfPrinter(QWidget* parent) {
    const QString suggested = QDir::home().filePath(QString::fromUtf16(kSuggestedPdfName));
    const QString path =
        QFileDialog::getSaveFileName(parent, QString(), suggested, QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return nullptr;
    return OpenPdfPrinter(path);
}

}  // namespace keyloft::platform
