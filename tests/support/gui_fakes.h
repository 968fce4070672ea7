#pragma once
// The desktop services of the window as tests see them: a clipboard that keeps what was copied
// and counts the copies, a shell that records what it was asked to open, and a printer that
// records every line.

#include <QString>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/qt_clipboard.h"
#include "platform/qt_printer.h"
#include "platform/qt_shell.h"

namespace keyloft::testing {

class RecordingClipboard final : public platform::Clipboard {
  public:
    void setSecretText(const QString& text) override {
        text_ = text;
        own_ = true;
        ++copies;
    }
    QString text() const override { return text_; }
    bool clearIfOwn() override {
        const bool own = std::exchange(own_, false);
        if (own) text_.clear();
        return own;
    }
    // Text selected in one of the window's boxes (true) or elsewhere holds the X primary selection.
    bool clearSelectionIfOwn() override { return std::exchange(ownsSelection, false); }
    bool ownsSelection = false;
    // Another program (or the user elsewhere) copies `text`.
    void otherProgramCopies(const QString& text) {
        text_ = text;
        own_ = false;
    }
    int copies = 0;

  private:
    QString text_;
    bool own_ = false;
};

class RecordingShell final : public platform::Shell {
  public:
    bool open(const QString& item) override {
        opened.push_back(item);
        return opens;
    }
    std::vector<QString> opened;
    bool opens = true;  // what every open reports
};

// A printer with simple metrics: characters are 0.625 points wide ('M' three times that), lines
// 1.25 points high, two device units per point. Every print and page change is recorded.
class RecordingPrinter : public platform::Printer {
  public:
    struct Line {
        QString text;
        double x;
        double y;
        int page;
        double points;
        bool bold;
    };

    RecordingPrinter(double width, double height) : width_(width), height_(height) {}

    double pageWidth() const override { return width_; }
    double pageHeight() const override { return height_; }
    double unitsPerPoint() const override { return 2; }
    void setFont(double pointSize, bool bold) override {
        points_ = pointSize;
        bold_ = bold;
    }
    double textWidth(const QString& text) const override {
        double width = 0;
        for (const QChar c : text) width += (c == QLatin1Char('M') ? 3 : 1) * points_ * 0.625;
        return width;
    }
    double textHeight(const QString&) const override { return points_ * 1.25; }
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    void print(const QString& text) override {
        EXPECT_FALSE(ended);
        lines.push_back({text, x_, y_, page_, points_, bold_});
        x_ = 0;
        y_ += textHeight(text);
    }
    void newPage() override {
        ++page_;
        x_ = 0;
        y_ = 0;
    }
    void endDoc() override { ended = true; }

    std::vector<Line> lines;
    bool ended = false;
    int page() const { return page_; }

    std::vector<Line> find(const QString& text) const {
        std::vector<Line> found;
        for (const auto& line : lines)
            if (line.text == text) found.push_back(line);
        return found;
    }
    // Lines printed at column start x on a page, in order.
    std::vector<Line> at(double x, int page) const {
        std::vector<Line> found;
        for (const auto& line : lines)
            if (line.x == x && line.page == page) found.push_back(line);
        return found;
    }

  private:
    double width_;
    double height_;
    double x_ = 0;
    double y_ = 0;
    double points_ = 8;
    bool bold_ = false;
    int page_ = 1;
};

}  // namespace keyloft::testing
