#include "desktop/shaped_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWidget>

namespace keyloft {
namespace {

const QRgb kBlue = qRgb(0, 0, 255);

QImage Picture(int width, int height, QRgb fill = qRgb(200, 200, 200)) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

// A window that paints a picture as its background.
class PictureWindow : public QWidget {
  public:
    explicit PictureWindow(QImage picture) : picture_(std::move(picture)) { resize(picture_.size()); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, picture_);
    }

  private:
    QImage picture_;
};

TEST(ShapeRuns, NoKeyPixelGivesTheWholeRectangle) {
    const QImage picture = Picture(5, 3);
    EXPECT_TRUE(ScanShapeRuns(picture, kBlue).empty());
    EXPECT_EQ(RegionFromRuns(picture.rect(), {}), QRegion(0, 0, 5, 3));
}

TEST(ShapeRuns, SingleKeyPixelRemovesExactlyThatPixel) {
    QImage picture = Picture(4, 3);
    picture.setPixel(2, 1, kBlue);
    const auto runs = ScanShapeRuns(picture, kBlue);
    ASSERT_EQ(runs, (std::vector<ShapeRun>{{1, 2, 2}}));
    const QRegion region = RegionFromRuns(picture.rect(), runs);
    EXPECT_FALSE(region.contains(QPoint(2, 1)));
    EXPECT_TRUE(region.contains(QPoint(1, 1)));
    EXPECT_TRUE(region.contains(QPoint(3, 1)));
    EXPECT_TRUE(region.contains(QPoint(2, 0)));
    EXPECT_TRUE(region.contains(QPoint(2, 2)));
    EXPECT_EQ(region.rectCount(), 4);
}

TEST(ShapeRuns, RunsReachingTheRightEdgeCloseThereAndDoNotCarryOver) {
    QImage picture = Picture(6, 3);
    for (int x = 3; x < 6; ++x) picture.setPixel(x, 0, kBlue);  // row 0: run to the edge
    picture.setPixel(1, 1, kBlue);                              // row 1: starts again
    picture.setPixel(0, 2, kBlue);                              // row 2: two runs
    picture.setPixel(2, 2, kBlue);
    picture.setPixel(3, 2, kBlue);
    const auto runs = ScanShapeRuns(picture, kBlue);
    EXPECT_EQ(runs, (std::vector<ShapeRun>{{0, 3, 5}, {1, 1, 1}, {2, 0, 0}, {2, 2, 3}}));
    const QRegion region = RegionFromRuns(picture.rect(), runs);
    EXPECT_FALSE(region.contains(QPoint(5, 0)));
    EXPECT_TRUE(region.contains(QPoint(0, 1)));
    EXPECT_TRUE(region.contains(QPoint(5, 1)));
    EXPECT_TRUE(region.contains(QPoint(1, 2)));
    EXPECT_TRUE(region.contains(QPoint(4, 2)));
}

TEST(ShapeRuns, NearlyBlueIsNotTheKeyAndAlphaIsIgnored) {
    QImage picture = Picture(3, 1);
    picture.setPixel(0, 0, qRgb(0, 0, 254));
    picture.setPixel(1, 0, qRgba(0, 0, 255, 128));
    EXPECT_EQ(ScanShapeRuns(picture, kBlue), (std::vector<ShapeRun>{{0, 1, 1}}));
}

TEST(Shape, WindowTakesTheOutlineOfItsPicture) {
    QImage picture = Picture(8, 4);
    for (int x = 0; x < 8; ++x) picture.setPixel(x, 0, kBlue);  // the top row is outside
    picture.setPixel(7, 3, kBlue);
    PictureWindow window(picture);
    ShapedWindow shaper;
    shaper.shape(&window, kBlueKeyColor);
    EXPECT_EQ(shaper.shapedWidth(), 8);
    EXPECT_EQ(shaper.shapedHeight(), 4);
    EXPECT_EQ(shaper.runs().size(), 2u);
    const QRegion expected = QRegion(0, 1, 8, 3) - QRegion(7, 3, 1, 1);
    EXPECT_EQ(shaper.region(), expected);
    EXPECT_EQ(window.mask(), expected);

    // Shaping again replaces the region.
    PictureWindow plain(Picture(8, 4));
    shaper.shape(&plain, QColor(0, 0, 255));
    EXPECT_EQ(shaper.region(), QRegion(0, 0, 8, 4));
}

TEST(Shape, PictureAllOfTheKeyColourLeavesNothingShown) {
    PictureWindow window(Picture(6, 3, kBlue));
    ShapedWindow shaper;
    shaper.shape(&window, kBlueKeyColor);
    EXPECT_TRUE(shaper.region().isEmpty());
    EXPECT_FALSE(window.mask().isEmpty());  // an empty mask would show the whole window
    EXPECT_TRUE(window.mask().intersected(window.rect()).isEmpty());
}

TEST(Shape, KeyColourValueHasRedInTheLowByte) {
    EXPECT_EQ(ColorFromRgbValue(kBlueKeyColor), QColor(0, 0, 255));
    EXPECT_EQ(ColorFromRgbValue(0x00332211), QColor(0x11, 0x22, 0x33));
}

TEST(Shape, PushButtonLosesCaptionAndTwoPixelBorder) {
    QWidget container;
    QPushButton button(QStringLiteral("Press"), &container);
    button.resize(20, 10);
    ShapedWindow shaper;
    shaper.shape(&button, kBlueKeyColor);
    EXPECT_TRUE(button.text().isEmpty());
    const QRegion mask = button.mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(1, 5)));
    EXPECT_FALSE(mask.contains(QPoint(18, 5)));
    EXPECT_FALSE(mask.contains(QPoint(10, 8)));
    // Whatever the face leaves, nothing outside the inner rectangle remains.
    EXPECT_TRUE(mask.subtracted(QRegion(2, 2, 16, 6)).isEmpty());
    EXPECT_EQ(shaper.region(), mask);
}

TEST(Shape, UnsupportedObjectRaisesTheTransFormErrorAndChangesNothing) {
    QWidget container;
    QLineEdit edit(&container);
    edit.resize(10, 10);
    ShapedWindow shaper;
    try {
        shaper.shape(&edit, kBlueKeyColor);
        FAIL() << "no error raised";
    } catch (const ShapeError& error) {
        EXPECT_EQ(error.number(), -2147218992);
        EXPECT_EQ(static_cast<std::uint32_t>(error.number()), 0x800409D0u);
        EXPECT_EQ(error.source(), "TransForm");
        EXPECT_EQ(error.description(),
                  "Must pass in the name of a Form, PictureBox, CommandButton, CheckBox or OptionButton.  "
                  "TransForm ShapeMe method failed.");
        EXPECT_STREQ(error.what(), error.description().c_str());
    }
    EXPECT_TRUE(edit.mask().isEmpty());
    EXPECT_TRUE(shaper.region().isEmpty());
    EXPECT_THROW(shaper.shape(nullptr, kBlueKeyColor), ShapeError);
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

TEST(DragForm, LeftButtonMovesTheWindowRightButtonDoesNothing) {
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setGeometry(100, 100, 50, 40);
    window.show();
    const QPoint start = window.pos();

    ShapedWindow::drag(&window, 2, QPoint(110, 110));
    SendMouse(&window, QEvent::MouseMove, QPoint(140, 150), Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(window.pos(), start);

    ShapedWindow::drag(&window, 1, QPoint(110, 110));
    SendMouse(&window, QEvent::MouseMove, QPoint(130, 125), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), start + QPoint(20, 15));
    SendMouse(&window, QEvent::MouseButtonRelease, QPoint(130, 125), Qt::LeftButton, Qt::NoButton);
    // After the release the window no longer follows the mouse.
    SendMouse(&window, QEvent::MouseMove, QPoint(300, 300), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(window.pos(), start + QPoint(20, 15));
}

TEST(FloatWindow, SetsAndClearsStaysOnTopKeepingGeometryAndVisibility) {
    QWidget window;
    window.setGeometry(40, 50, 60, 30);
    window.show();
    FloatWindow(&window, true);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.size(), QSize(60, 30));
    FloatWindow(&window, true);  // again: no change
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    FloatWindow(&window, false);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace keyloft
