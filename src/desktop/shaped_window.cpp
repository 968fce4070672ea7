#include "desktop/shaped_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QWidget>
#include <QWindow>

namespace keyloft {

namespace {

constexpr std::int32_t kUnsupportedObject = -2147218992;  // 0x80040000 + 2512
constexpr char kSource[] = "TransForm";
constexpr char kUnsupportedDescription[] =
    "Must pass in the name of a Form, PictureBox, CommandButton, CheckBox or OptionButton.  "
    "TransForm ShapeMe method failed.";

// The widget's own drawing, without its children.
QImage ownSurface(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

// Follows the mouse until the left button is released, for systems where the window manager
// cannot move the window itself.
class ManualDrag : public QObject {
  public:
    ManualDrag(QWidget* window, QPoint pressGlobal)
        : QObject(window), window_(window), pressGlobal_(pressGlobal), startPos_(window->pos()) {
        window->installEventFilter(this);
        window->grabMouse();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        if (event->type() == QEvent::MouseMove) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->buttons() & Qt::LeftButton) {
                window_->move(startPos_ + (mouse->globalPosition().toPoint() - pressGlobal_));
                return true;
            }
            finish();
            return false;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            finish();
            return true;
        }
        return false;
    }

  private:
    void finish() {
        if (window_) {
            window_->releaseMouse();
            window_->removeEventFilter(this);
        }
        deleteLater();
    }

    QPointer<QWidget> window_;
    QPoint pressGlobal_;
    QPoint startPos_;
};

}  // namespace

ShapeError::ShapeError()
    : std::runtime_error(kUnsupportedDescription),
      number_(kUnsupportedObject),
      source_(kSource),
      description_(kUnsupportedDescription) {}

std::vector<ShapeRun> ScanShapeRuns(const QImage& picture, QRgb key) {
    std::vector<ShapeRun> runs;
    if (picture.isNull()) return runs;
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb keyRgb = key & 0x00FFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        bool open = false;
        int first = 0;
        for (int x = 0; x < image.width(); ++x) {
            const bool isKey = (line[x] & 0x00FFFFFF) == keyRgb;
            if (isKey && !open) {
                open = true;
                first = x;
            } else if (!isKey && open) {
                runs.push_back({y, first, x - 1});
                open = false;
            }
        }
        if (open) runs.push_back({y, first, image.width() - 1});
    }
    return runs;
}

QRegion RegionFromRuns(const QRect& start, const std::vector<ShapeRun>& runs) {
    QRegion region(start);
    for (const auto& run : runs) region -= QRegion(run.first, run.row, run.last - run.first + 1, 1);
    return region;
}

QColor ColorFromRgbValue(std::uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

void ShapedWindow::shape(QWidget* widget, std::uint32_t keyColor) {
    shape(widget, ColorFromRgbValue(keyColor));
}

void ShapedWindow::shape(QWidget* widget, const QColor& color) {
    if (widget == nullptr) throw ShapeError();
    const bool form = widget->isWindow();
    const bool pictureBox = !form && qobject_cast<QLabel*>(widget) != nullptr;
    const bool button = !form && (qobject_cast<QPushButton*>(widget) != nullptr ||
                                  qobject_cast<QToolButton*>(widget) != nullptr);
    const bool checkOrOption = !form && (qobject_cast<QCheckBox*>(widget) != nullptr ||
                                         qobject_cast<QRadioButton*>(widget) != nullptr);
    if (!form && !pictureBox && !button && !checkOrOption) throw ShapeError();

    object_ = widget;
    height_ = widget->height();
    width_ = widget->width();
    QRect start(0, 0, width_, height_);
    if (button || checkOrOption) {
        // The caption goes and the face takes the key colour, so that only the picture remains.
        auto* asButton = qobject_cast<QAbstractButton*>(widget);
        asButton->setText(QString());
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Button, color);
        palette.setColor(QPalette::Window, color);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
        // Drop a 2-pixel border on every side.
        start = QRect(QPoint(2, 2), QPoint(width_ - 2 - 1, height_ - 2 - 1));
    }
    const QImage surface = ownSurface(widget);
    runs_ = ScanShapeRuns(surface, color.rgb());
    region_ = RegionFromRuns(start, runs_);
    // Qt reads an empty mask as "no mask": a widget cut out entirely is masked down to one pixel
    // outside itself instead, so that none of it shows.
    widget->setMask(region_.isEmpty() ? QRegion(-1, -1, 1, 1) : region_);
}

void ShapedWindow::drag(QWidget* window, int button) { drag(window, button, QCursor::pos()); }

void ShapedWindow::drag(QWidget* window, int button, QPoint pressGlobal) {
    if (window == nullptr || button != 1) return;
    QWidget* top = window->window();
    if (QWindow* handle = top->windowHandle(); handle != nullptr && handle->startSystemMove()) return;
    new ManualDrag(top, pressGlobal);
}

void FloatWindow(QWidget* window, bool floatOnTop) {
    if (window == nullptr) return;
    const bool onTop = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (onTop == floatOnTop) return;  // keeps its place and size; no re-creation on every repaint
    const bool visible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, floatOnTop);
    if (visible) {
        window->setGeometry(geometry);
        window->show();
    }
}

}  // namespace keyloft
