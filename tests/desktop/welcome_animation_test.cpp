#include "desktop/welcome_animation.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "gif_builder.h"
#include "support/gui_scripted_dialogs.h"

namespace keyloft {
namespace {

using testing::BuildGif;
using testing::ScriptedDialogs;
using testing::SolidFrame;
using testing::TestGif;
using testing::TestGifFrame;

const QColor kBack(10, 10, 10);
const std::vector<testing::Rgb> kColours = {{{255, 0, 0}}, {{0, 255, 0}}, {{0, 0, 255}}, {{255, 255, 255}}};

class AnimatedGifTest : public ::testing::Test {
  protected:
    QString write(const std::vector<std::uint8_t>& bytes, const QString& name = QStringLiteral("a.gif")) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return path;
    }
    void load(const std::vector<std::uint8_t>& bytes) {
        gif_.setBackColor(kBack);
        gif_.setFileName(write(bytes));
        gif_.loadFile(false);
    }
    // A 40 x 3 screen: frame 0 red everywhere, frame 1 a green 2 x 1 patch at (5, 1).
    static TestGif RedThenGreenPatch(int secondDisposal) {
        TestGif gif;
        gif.width = 40;
        gif.height = 3;
        gif.globalTable = kColours;
        gif.backgroundIndex = 3;
        TestGifFrame first = SolidFrame(0, 0, 40, 3, 0);
        first.delay = 0;
        TestGifFrame second = SolidFrame(5, 1, 2, 1, 1);
        second.delay = 600;
        second.disposal = secondDisposal;
        gif.frames = {first, second};
        return gif;
    }

    QTemporaryDir dir_;
    ScriptedDialogs dialogs_;
    WelcomeAnimation gif_{dialogs_};
};

TEST_F(AnimatedGifTest, LoadPreparesFramesCanvasAndDrawsFrameZero) {
    EXPECT_TRUE(gif_.renderingStopped());
    EXPECT_TRUE(gif_.changesTransparentColor());
    gif_.setUserDelay(300);
    load(BuildGif(RedThenGreenPatch(0)));
    EXPECT_TRUE(dialogs_.shown().empty());
    EXPECT_EQ(gif_.lastFrame(), 1);
    EXPECT_EQ(gif_.currentFrame(), 0);
    EXPECT_EQ(gif_.userDelay(), 1);
    EXPECT_EQ(gif_.canvas().size(), QSize(64, 3));  // width rounded up to a multiple of 32
    EXPECT_EQ(gif_.size(), QSize(40, 3));           // the control takes the picture's size
    EXPECT_FALSE(gif_.renderingStopped());          // drawing frame 0 clears it
    EXPECT_EQ(gif_.timerInterval(), 0);             // not started yet
    ASSERT_FALSE(gif_.surface().isNull());
    EXPECT_EQ(gif_.surface().pixelColor(39, 2), QColor(255, 0, 0));
    EXPECT_EQ(gif_.surface().pixelColor(50, 0), kBack);  // canvas beyond the screen width
}

TEST_F(AnimatedGifTest, TicksRunThroughFramesWithTheirIntervalsAndWrap) {
    load(BuildGif(RedThenGreenPatch(0)));
    gif_.startPlaying();
    EXPECT_EQ(gif_.timerInterval(), 250);

    gif_.onFrameTimer();  // draws frame 0; frame 1 (600 hundredths) is next
    EXPECT_EQ(gif_.currentFrame(), 1);
    EXPECT_EQ(gif_.timerInterval(), 101);

    gif_.onFrameTimer();  // draws frame 1; wraps to frame 0 (delay 0)
    EXPECT_EQ(gif_.currentFrame(), 0);
    EXPECT_EQ(gif_.timerInterval(), 1);
    EXPECT_EQ(gif_.surface().pixelColor(5, 1), QColor(0, 255, 0));

    gif_.setUserDelay(20);
    gif_.onFrameTimer();
    EXPECT_EQ(gif_.timerInterval(), 120);

    gif_.stopPlaying();
    EXPECT_TRUE(gif_.renderingStopped());
    EXPECT_EQ(gif_.timerInterval(), 0);
    gif_.onFrameTimer();  // frozen
    EXPECT_EQ(gif_.currentFrame(), 1);
}

TEST_F(AnimatedGifTest, SingleFrameIsRedrawnByEveryTick) {
    TestGif gif = RedThenGreenPatch(0);
    gif.frames.resize(1);
    gif.frames[0].delay = 3;
    load(BuildGif(gif));
    EXPECT_EQ(gif_.lastFrame(), 0);
    gif_.startPlaying();
    gif_.onFrameTimer();
    EXPECT_EQ(gif_.currentFrame(), 0);
    EXPECT_EQ(gif_.timerInterval(), 31);
}

TEST_F(AnimatedGifTest, DisposalTwoClearsTheCanvasAndThreeKeepsIt) {
    for (const int disposal : {2, 3}) {
        SCOPED_TRACE(disposal);
        load(BuildGif(RedThenGreenPatch(disposal)));
        gif_.renderFrame(1);
        const QImage& canvas = gif_.canvas();
        EXPECT_EQ(canvas.pixelColor(5, 1), QColor(0, 255, 0));
        EXPECT_EQ(canvas.pixelColor(6, 1), QColor(0, 255, 0));
        EXPECT_EQ(canvas.pixelColor(0, 0), disposal == 2 ? kBack : QColor(255, 0, 0));
        EXPECT_EQ(canvas.pixelColor(7, 1), disposal == 2 ? kBack : QColor(255, 0, 0));
    }
}

TEST_F(AnimatedGifTest, TransparentPixelsLeaveTheCanvasUnderneath) {
    TestGif gif = RedThenGreenPatch(0);
    TestGifFrame patch;
    patch.left = 0;
    patch.top = 0;
    patch.width = 3;
    patch.height = 1;
    patch.pixels = {1, 2, 1};  // green, transparent blue, green
    patch.transparent = true;
    patch.transparentIndex = 2;
    gif.frames[1] = patch;
    load(BuildGif(gif));
    gif_.renderFrame(1);
    EXPECT_EQ(gif_.canvas().pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_EQ(gif_.canvas().pixelColor(1, 0), QColor(255, 0, 0));
    EXPECT_EQ(gif_.canvas().pixelColor(2, 0), QColor(0, 255, 0));
}

TEST_F(AnimatedGifTest, RepeatedKeyColourStaysVisibleOnlyWhenChanged) {
    // Index 2 is transparent and index 0 has the same colour: with the change on, the index-0
    // pixel is drawn; with it off, it is treated as transparent too.
    for (const bool change : {true, false}) {
        SCOPED_TRACE(change);
        TestGif gif = RedThenGreenPatch(0);
        gif.globalTable = {{{0, 0, 200}}, {{0, 255, 0}}, {{0, 0, 200}}, {{255, 255, 255}}};
        gif.frames[0] = SolidFrame(0, 0, 40, 3, 3);  // white
        TestGifFrame patch;
        patch.width = 2;
        patch.height = 1;
        patch.pixels = {0, 2};
        patch.transparent = true;
        patch.transparentIndex = 2;
        gif.frames[1] = patch;
        gif_.setChangesTransparentColor(change);
        load(BuildGif(gif));
        gif_.renderFrame(1);
        EXPECT_EQ(gif_.canvas().pixelColor(0, 0), change ? QColor(0, 0, 200) : QColor(255, 255, 255));
        EXPECT_EQ(gif_.canvas().pixelColor(1, 0), QColor(255, 255, 255));
    }
}

TEST_F(AnimatedGifTest, FileNotStartingWithGif8IsRejectedAndNameCleared) {
    auto bytes = BuildGif(RedThenGreenPatch(0));
    bytes[0] = 'P';
    dialogs_.expect(u"Sorry, not an Animated Gif file");
    load(bytes);
    ASSERT_EQ(dialogs_.shown().size(), 1u);
    EXPECT_EQ(dialogs_.last().title, u"Not a Valid Animated Gif File!");
    EXPECT_EQ(dialogs_.last().buttons, MessageButtons::Ok);
    EXPECT_TRUE(gif_.fileName().isEmpty());
    EXPECT_EQ(gif_.lastFrame(), 0);
}

// The picture comes from a folder others may write to: one past the file, frame or pixel limits
// is refused before any frame is decoded, as a file that is no GIF is.
TEST_F(AnimatedGifTest, APictureTooLargeToPlayIsSkippedWithTheMessage) {
    const auto tiny = [](int width, int height, int frames) {
        TestGif gif;
        gif.width = width;
        gif.height = height;
        gif.globalTable = kColours;
        gif.frames.assign(static_cast<std::size_t>(frames), SolidFrame(0, 0, 1, 1, 0));
        return BuildGif(gif);
    };
    std::vector<std::uint8_t> tooBig = tiny(2, 2, 1);
    tooBig.resize(kMaxGifFileBytes + 1, 0);
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"more frames than played", tiny(2, 2, static_cast<int>(kMaxGifFrames) + 1)},
        {"a screen past the pixel limit", tiny(65535, 65535, 1)},
        {"frames that decode past the memory limit", tiny(4096, 4096, 3)},
        {"a file past the size limit", tooBig},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs_.expect(u"Sorry, not an Animated Gif file");
        load(c.bytes);
        EXPECT_EQ(dialogs_.last().title, u"Not a Valid Animated Gif File!");
        EXPECT_TRUE(gif_.fileName().isEmpty());
        EXPECT_TRUE(gif_.framePicture(0).isNull());
    }
    EXPECT_EQ(dialogs_.shown().size(), 4u);
    load(tiny(4, 4, static_cast<int>(kMaxGifFrames)));  // at the frame limit: played
    EXPECT_EQ(gif_.lastFrame(), static_cast<int>(kMaxGifFrames) - 1);
}

#ifndef _WIN32
// The picture lies in a folder others may write to: a link or a pipe in its place is refused at
// once with the message, never followed nor waited for (the picture is opened once and checked on
// what was opened).
TEST_F(AnimatedGifTest, ALinkOrAPipeInThePicturesPlaceIsRefusedWithoutWaiting) {
    const QString real = write(BuildGif(RedThenGreenPatch(0)), QStringLiteral("real.gif"));
    const QString linked = dir_.filePath(QStringLiteral("linked.gif"));
    const QString pipe = dir_.filePath(QStringLiteral("pipe.gif"));
    ASSERT_TRUE(QFile::link(real, linked));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& name : {linked, pipe}) {
        SCOPED_TRACE(name.toStdString());
        dialogs_.expect(u"Sorry, not an Animated Gif file");
        gif_.setFileName(name);
        gif_.loadFile(false);
        EXPECT_TRUE(gif_.fileName().isEmpty());
        EXPECT_TRUE(gif_.framePicture(0).isNull());
    }
    EXPECT_EQ(dialogs_.shown().size(), 2u);
    gif_.setFileName(real);
    gif_.loadFile(false);
    EXPECT_EQ(gif_.lastFrame(), 1);
}
#endif

TEST_F(AnimatedGifTest, StartingOrDrawingWithoutAFileAsksForOne) {
    dialogs_.expect(u"Sorry, you must first select an Animated Gif file to Load");
    gif_.startPlaying();
    dialogs_.expect(u"Sorry, you must first select an Animated Gif file to Load");
    gif_.paintFrame(0);
    EXPECT_EQ(dialogs_.shown().size(), 2u);
    EXPECT_EQ(dialogs_.last().title, u"Keyloft");
    EXPECT_TRUE(gif_.renderingStopped());
    EXPECT_EQ(gif_.timerInterval(), 0);
}

TEST_F(AnimatedGifTest, EmptyOrMissingFilePreparesNothingWithoutMessages) {
    gif_.setFileName(write({}, QStringLiteral("empty.gif")));
    gif_.loadFile(true);
    gif_.startPlaying();
    EXPECT_EQ(gif_.timerInterval(), 0);
    gif_.setFileName(dir_.filePath(QStringLiteral("missing.gif")));
    gif_.loadFile(false);
    EXPECT_EQ(gif_.lastFrame(), 0);
    EXPECT_TRUE(dialogs_.shown().empty());
}

TEST_F(AnimatedGifTest, TruncatedFilePlaysItsCompleteFrames) {
    auto bytes = BuildGif(RedThenGreenPatch(0));
    bytes.resize(bytes.size() - 4);
    load(bytes);
    EXPECT_EQ(gif_.lastFrame(), 0);
    EXPECT_EQ(gif_.surface().pixelColor(0, 0), QColor(255, 0, 0));
}

TEST_F(AnimatedGifTest, UserDelayIsLimitedAndNonNumbersBecomeTen) {
    gif_.setUserDelay(5000);
    EXPECT_EQ(gif_.userDelay(), 1000);
    gif_.setUserDelay(0);
    EXPECT_EQ(gif_.userDelay(), 1);
    gif_.setUserDelay(-7);
    EXPECT_EQ(gif_.userDelay(), 1);
    gif_.setUserDelay(QStringLiteral("fast"));
    EXPECT_EQ(gif_.userDelay(), 10);
    gif_.setUserDelay(QStringLiteral(" 250 "));
    EXPECT_EQ(gif_.userDelay(), 250);
    gif_.setUserDelay(QStringLiteral("1e9"));
    EXPECT_EQ(gif_.userDelay(), 1000);
}

TEST_F(AnimatedGifTest, SavedFileNameIsLoadedByTheNextRepaint) {
    gif_.setFileName(write(BuildGif(RedThenGreenPatch(0))));
    gif_.setLoadsFileOnPaint(true);
    gif_.show();
    gif_.repaint();
    // The paint may come with the first exposure; the load is queued behind it.
    for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
    EXPECT_FALSE(gif_.loadsFileOnPaint());
    EXPECT_EQ(gif_.lastFrame(), 1);
    EXPECT_EQ(gif_.surface().pixelColor(0, 0), QColor(255, 0, 0));
}

TEST_F(AnimatedGifTest, WelcomeAnimationPlaysEveryFrame) {
    const QString path =
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../assets/welcome2.gif"));
    ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    gif_.setFileName(path);
    gif_.loadFile(false);
    EXPECT_TRUE(dialogs_.shown().empty());
    ASSERT_GE(gif_.lastFrame(), 2);
    for (int k = 0; k <= gif_.lastFrame(); ++k) EXPECT_FALSE(gif_.framePicture(k).isNull()) << k;
    EXPECT_EQ(gif_.size(), QSize(gif_.fileInfo().width, gif_.fileInfo().height));
    gif_.startPlaying();
    const QImage first = gif_.surface();
    for (int k = 0; k <= gif_.lastFrame(); ++k) gif_.onFrameTimer();
    EXPECT_EQ(gif_.currentFrame(), 0);
    EXPECT_NE(gif_.surface(), first);  // the last frame differs from the first
    gif_.onFrameTimer();               // after the last frame comes frame 0 again
    EXPECT_EQ(gif_.currentFrame(), 1);
    EXPECT_EQ(gif_.surface(), first);
}

QString WelcomePicture() {
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../../assets/welcome2.gif"));
}

TEST(WelcomeAnimationInTheWindow, PlaysInTheWelcomeAreaStopsOnUnlockAndStartsOnLock) {
    ScriptedDialogs dialogs;
    QWidget area;
    new QVBoxLayout(&area);
    WelcomeAnimation* agif = WelcomeAnimation::createIn(&area, dialogs, QPixmap());
    WelcomeAnimation& animation = *agif;
    ASSERT_EQ(area.findChild<WelcomeAnimation*>(QStringLiteral("AGif")), agif);
    EXPECT_EQ(area.layout()->indexOf(agif), 0);
    area.show();

    animation.loadAndStart(WelcomePicture());
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->timerInterval(), 250);
    animation.stop();
    EXPECT_FALSE(agif->isVisible());
    EXPECT_EQ(agif->timerInterval(), 0);
    animation.start();
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->timerInterval(), 250);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST(WelcomeAnimationInTheWindow, MissingPictureShowsNothingAndStartStaysQuiet) {
    ScriptedDialogs dialogs;
    QWidget area;
    area.show();
    WelcomeAnimation& animation = *WelcomeAnimation::createIn(&area, dialogs, QPixmap());
    animation.loadAndStart(QStringLiteral("/no/such/folder/welcome2.gif"));
    EXPECT_FALSE(animation.isVisible());
    animation.start();
    EXPECT_FALSE(animation.isVisible());
    EXPECT_TRUE(dialogs.shown().empty());
}

// How many pixels of the control, as drawn, have the colour.
int PixelsOf(QWidget* widget, QColor color) {
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == color ? 1 : 0;
    }
    return count;
}

TEST(WelcomeAnimationInTheWindow, TheBuiltInPictureStandsInUntilAPictureFileCanBePlayed) {
    ScriptedDialogs dialogs;
    QWidget area;
    new QVBoxLayout(&area);
    area.show();
    QPixmap builtIn(40, 30);
    builtIn.fill(Qt::red);
    WelcomeAnimation* agif = WelcomeAnimation::createIn(&area, dialogs, builtIn);
    WelcomeAnimation& animation = *agif;
    QTemporaryDir temp;
    const QString path = QDir(temp.path()).filePath(QStringLiteral("welcome2.gif"));

    // Missing: the built-in picture, at its own size.
    animation.loadAndStart(path);
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->size(), QSize(40, 30));
    EXPECT_EQ(PixelsOf(agif, Qt::red), 40 * 30);
    animation.stop();
    animation.start();
    EXPECT_TRUE(agif->isVisible());

    // Not a GIF: said once; the next Lock does not say it again while the file stays the same.
    QFile bad(path);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    dialogs.expect(u"Sorry, not an Animated Gif file");
    animation.loadAndStart(path);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(PixelsOf(agif, Qt::red), 40 * 30);
    animation.stop();
    animation.start();
    EXPECT_EQ(dialogs.shown().size(), 1u);

    // A picture file that appears is played from the next Lock on.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(WelcomePicture(), path));
    animation.stop();
    animation.start();
    EXPECT_FALSE(agif->fileInfo().frames.empty());
    EXPECT_EQ(agif->fileName(), path);
    EXPECT_EQ(agif->timerInterval(), 250);
    EXPECT_EQ(agif->size(), QSize(agif->fileInfo().width, agif->fileInfo().height));

    // Gone again: the next load puts the built-in picture back.
    ASSERT_TRUE(QFile::remove(path));
    animation.loadAndStart(path);
    EXPECT_TRUE(agif->fileInfo().frames.empty());
    EXPECT_TRUE(agif->isVisible());
    EXPECT_EQ(agif->size(), QSize(40, 30));
    EXPECT_EQ(PixelsOf(agif, Qt::red), 40 * 30);
    EXPECT_EQ(dialogs.shown().size(), 1u);
}

}  // namespace
}  // namespace keyloft
