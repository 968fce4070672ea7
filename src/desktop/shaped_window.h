#pragma once
// Window shaping, dragging by the surface and floating above other windows.
//
// shape() gives a window (or a button) the outline of its own picture: every pixel of the key
// colour is cut out, one rectangle per horizontal run, and the result becomes the widget's mask.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class QWidget;

namespace keyloft {

// Raised by shape() for an object it cannot shape.
class ShapeError : public std::runtime_error {
  public:
    ShapeError();
    std::int32_t number() const { return number_; }
    const std::string& source() const { return source_; }
    const std::string& description() const { return description_; }

  private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// One run of key-coloured pixels in a row, columns first..last inclusive.
struct ShapeRun {
    int row = 0;
    int first = 0;
    int last = 0;
    bool operator==(const ShapeRun&) const = default;
};

// Runs of the key colour (compared on red, green and blue), row by row, left to right.
std::vector<ShapeRun> ScanShapeRuns(const QImage& picture, QRgb key);

// The starting rectangle minus one 1-pixel-high rectangle per run.
QRegion RegionFromRuns(const QRect& start, const std::vector<ShapeRun>& runs);

// A colour as a 32-bit RGB value with red in the low byte (0x00BBGGRR).
QColor ColorFromRgbValue(std::uint32_t value);
inline constexpr std::uint32_t kBlueKeyColor = 0x00FF0000;  // red 0, green 0, blue 255

class ShapedWindow {
  public:
    // Shapes a window, a picture label, a push button, a check box or a radio button; anything
    // else raises ShapeError and changes nothing.
    void shape(QWidget* widget, std::uint32_t keyColor);
    void shape(QWidget* widget, const QColor& color);

    // Region given to the widget by the last shape().
    const QRegion& region() const { return region_; }
    const std::vector<ShapeRun>& runs() const { return runs_; }
    int shapedWidth() const { return width_; }
    int shapedHeight() const { return height_; }

    // Moves the window with the mouse while the left button (1) is held; other buttons do nothing.
    // pressGlobal is where the button went down (the pointer's position when not given).
    static void drag(QWidget* window, int button);
    static void drag(QWidget* window, int button, QPoint pressGlobal);

  private:
    QWidget* object_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    QRegion region_;
    std::vector<ShapeRun> runs_;
};

// Keeps the window above all others (true) or puts it back among them (false).
void FloatWindow(QWidget* window, bool floatOnTop);

}  // namespace keyloft
