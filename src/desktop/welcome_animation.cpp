#include "desktop/welcome_animation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLayout>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <cmath>
#include <filesystem>
#include <utility>

#include "platform/small_file.h"

namespace keyloft {

namespace {

constexpr char16_t kNotAnimatedGif[] = u"Sorry, not an Animated Gif file";
constexpr char16_t kNotAnimatedGifTitle[] = u"Not a Valid Animated Gif File!";
constexpr char16_t kSelectFileFirst[] = u"Sorry, you must first select an Animated Gif file to Load";
constexpr int kFirstTickMs = 250;

QColor toQColor(const GifColor& color) { return QColor(color.red, color.green, color.blue); }

}  // namespace

WelcomeAnimation::WelcomeAnimation(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
    backColor_ = palette().color(QPalette::Window);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &WelcomeAnimation::onFrameTimer);
}

WelcomeAnimation::~WelcomeAnimation() {
    if (busy_) QGuiApplication::restoreOverrideCursor();
}

void WelcomeAnimation::setUserDelay(long long milliseconds) { userDelay_ = ClampUserDelay(milliseconds); }

void WelcomeAnimation::setUserDelay(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        userDelay_ = ClampUserDelay(10);
        return;
    }
    // Whole milliseconds, halves to even; far out of range values are limited before converting.
    const double limited = std::clamp(value, -1.0e6, 1.0e6);
    userDelay_ = ClampUserDelay(static_cast<long long>(std::nearbyint(limited)));
}

void WelcomeAnimation::setBackColor(const QColor& color) {
    backColor_ = color.toRgb();
    update();
}

void WelcomeAnimation::setBorderStyle(int style) {
    borderStyle_ = style;
    update();
}

void WelcomeAnimation::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void WelcomeAnimation::showBusy() {
    if (!busy_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
}

void WelcomeAnimation::showIdle() {
    if (busy_) QGuiApplication::restoreOverrideCursor();
    busy_ = false;
}

void WelcomeAnimation::clearFrames() {
    info_ = GifFileInfo{};
    pictures_.clear();
    numberOfFrames_ = 0;
    currentFrame_ = 0;
}

QImage WelcomeAnimation::framePicture(int frame) const {
    if (frame < 0 || static_cast<std::size_t>(frame) >= pictures_.size()) return {};
    return pictures_[static_cast<std::size_t>(frame)];
}

void WelcomeAnimation::loadFile(bool wait) {
    stopPlaying();
    surface_ = QImage();  // the control shows its background colour
    update();
    clearFrames();
    if (wait) QCoreApplication::processEvents();

    showBusy();
    const auto refuse = [this] {
        showIdle();
        MessageRequest request;
        request.text = kNotAnimatedGif;
        request.title = kNotAnimatedGifTitle;
        dialogs_.showMessage(request);
        fileName_.clear();
    };
    std::vector<std::uint8_t> data;
    if (!fileName_.isEmpty()) {
        // Only a file of a picture's size is read: never a link, a pipe or a device, nothing without
        // end. The file is opened once and checked on what was opened: a pipe put in its place
        // after a look at the name would otherwise block the window.
        platform::SmallFile file = platform::ReadSmallRegularFile(
            std::filesystem::path(fileName_.toStdU16String()), kMaxGifFileBytes);
        if (file.outcome == platform::SmallFile::Outcome::Refused) {
            refuse();
            return;
        }
        data = std::move(file.bytes);
    }
    if (!data.empty()) {
        if (data.size() < 4 || data[0] != 'G' || data[1] != 'I' || data[2] != 'F' || data[3] != '8') {
            refuse();
            return;
        }
        GifFileInfo parsed = ParseGif(data);
        if (!WithinPlayLimits(parsed)) {
            refuse();
            return;
        }
        prepareFrames(std::move(data), std::move(parsed));
    }
    showIdle();

    if (!fileName_.isEmpty()) {
        setUserDelay(0);
        paintFrame(0);
    }
}

void WelcomeAnimation::prepareFrames(std::vector<std::uint8_t> data, GifFileInfo parsed) {
    info_ = std::move(parsed);
    if (changeTransparentColor_) ChangeTransparentColors(info_, data);
    numberOfFrames_ = info_.frames.empty() ? 0 : static_cast<int>(info_.frames.size()) - 1;

    pictures_.resize(info_.frames.size());
    for (std::size_t k = 0; k < info_.frames.size(); ++k) {
        const std::vector<std::uint8_t> single = SingleFrameGif(info_, data, k);
        const QByteArray bytes(reinterpret_cast<const char*>(single.data()),
                               static_cast<qsizetype>(single.size()));
        QImage picture = QImage::fromData(bytes, "GIF");
        if (!picture.isNull()) picture = picture.convertToFormat(QImage::Format_ARGB32);
        pictures_[k] = picture;
    }

    const int canvasWidth = (info_.width + 31) / 32 * 32;
    canvas_ = QImage(std::max(canvasWidth, 1), std::max<int>(info_.height, 1), QImage::Format_ARGB32);
    canvas_.fill(backColor_);
}

QColor WelcomeAnimation::keyColor(const GifFrameInfo& frame) const {
    const std::vector<GifColor>& table = frame.localTableFlag ? frame.localTable : info_.globalTable;
    if (frame.transparent) {
        if (frame.transparentIndex < table.size()) return toQColor(table[frame.transparentIndex]);
        return {};
    }
    if (info_.globalTableFlag && info_.backgroundIndex < info_.globalTable.size())
        return toQColor(info_.globalTable[info_.backgroundIndex]);
    return {};
}

void WelcomeAnimation::paintFrame(int frame) {
    if (fileName_.isEmpty()) {
        MessageRequest request;
        request.text = kSelectFileFirst;
        dialogs_.showMessage(request);
        return;
    }
    stopRender_ = false;
    renderFrame(frame);
}

void WelcomeAnimation::renderFrame(int frame) {
    if (stopRender_ || frame < 0 || static_cast<std::size_t>(frame) >= pictures_.size()) return;
    const QImage& picture = pictures_[static_cast<std::size_t>(frame)];
    if (picture.isNull()) return;
    const GifFrameInfo& info = info_.frames[static_cast<std::size_t>(frame)];

    if (picture.size() != size()) {
        setFixedSize(picture.size());  // also holds inside a layout
        emit resized();
    }

    if (info.disposal == 2) canvas_.fill(backColor_);

    // The decoder gives the frame inside a picture of the logical screen; only the frame's own
    // rectangle is drawn, at its place on the canvas.
    const QRect frameRect = QRect(info.left, info.top, info.width, info.height)
                                .intersected(picture.rect())
                                .intersected(canvas_.rect());
    const QColor key = keyColor(info);
    const QRgb keyRgb = key.isValid() ? (key.rgb() & 0x00FFFFFF) : 0;
    for (int y = frameRect.top(); y <= frameRect.bottom(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(canvas_.scanLine(y));
        for (int x = frameRect.left(); x <= frameRect.right(); ++x) {
            const QRgb pixel = from[x];
            if (info.transparent && (qAlpha(pixel) == 0 || (key.isValid() && (pixel & 0x00FFFFFF) == keyRgb)))
                continue;  // the canvas shows through
            to[x] = pixel | 0xFF000000u;
        }
    }
    surface_ = canvas_.copy();
    update();
}

void WelcomeAnimation::startPlaying() {
    if (fileName_.isEmpty()) {
        MessageRequest request;
        request.text = kSelectFileFirst;
        dialogs_.showMessage(request);
        return;
    }
    stopRender_ = false;
    if (!pictures_.empty()) timer_.start(kFirstTickMs);
}

void WelcomeAnimation::stopPlaying() {
    stopRender_ = true;
    timer_.stop();
}

void WelcomeAnimation::onFrameTimer() {
    if (stopRender_) return;
    paintFrame(currentFrame_);
    ++currentFrame_;
    if (currentFrame_ > numberOfFrames_) currentFrame_ = 0;
    int delay = 0;
    if (static_cast<std::size_t>(currentFrame_) < info_.frames.size())
        delay = info_.frames[static_cast<std::size_t>(currentFrame_)].delay;
    timer_.setInterval(FrameInterval(delay, userDelay_));
}

void WelcomeAnimation::paintEvent(QPaintEvent*) {
    if (!fileName_.isEmpty() && displaySaved_) {
        // A saved file name names an existing file: load it once the paint is over.
        displaySaved_ = false;
        QTimer::singleShot(0, this, [this] { loadFile(false); });
    }
    QPainter painter(this);
    painter.fillRect(rect(), backColor_);
    if (!picture_.isNull()) painter.drawPixmap(QPoint(0, 0), picture_);
    if (!surface_.isNull()) painter.drawImage(QPoint(0, 0), surface_);
    if (borderStyle_ != 0) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void WelcomeAnimation::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

// ---- the welcome picture of the locked window ----

WelcomeAnimation* WelcomeAnimation::createIn(QWidget* welcomeArea, Dialogs& dialogs,
                                             const QPixmap& builtInPicture) {
    auto* animation = new WelcomeAnimation(dialogs, welcomeArea);
    animation->setObjectName(QStringLiteral("AGif"));
    animation->setPicture(builtInPicture);
    animation->hide();
    if (welcomeArea != nullptr && welcomeArea->layout() != nullptr) {
        welcomeArea->layout()->addWidget(animation);
        welcomeArea->layout()->setAlignment(animation, Qt::AlignCenter);
    }
    return animation;
}

bool WelcomeAnimation::hasFrames() const { return !info_.frames.empty() && !framePicture(0).isNull(); }

QString WelcomeAnimation::fileStamp(const QString& fileName) {
    const QFileInfo file(fileName);
    if (fileName.isEmpty() || !file.exists()) return {};
    return QStringLiteral("%1 %2").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch());
}

void WelcomeAnimation::showBuiltInPicture() {
    if (picture_.isNull()) {
        hide();
        return;
    }
    setFixedSize(picture_.deviceIndependentSize().toSize());
    show();
}

void WelcomeAnimation::loadAndStart(const QString& gifFileName) {
    if (pictureLoaded_ && gifFileName == pictureFile_) {
        start();
        return;
    }
    loadPicture(gifFileName);
}

void WelcomeAnimation::loadPicture(const QString& gifFileName) {
    pictureLoaded_ = true;
    pictureFile_ = gifFileName;
    pictureStamp_ = fileStamp(gifFileName);
    setFileName(gifFileName);
    loadFile(false);
    // Not a GIF (the message has been shown), or nothing to play.
    if (fileName().isEmpty() || !hasFrames()) {
        showBuiltInPicture();
        return;
    }
    startPlaying();
    show();
}

void WelcomeAnimation::stop() {
    stopPlaying();
    hide();
}

void WelcomeAnimation::start() {
    // A file put in, changed or taken away since it was loaded is loaded afresh; the same file
    // goes on (a damaged one is not reported again).
    if (fileStamp(pictureFile_) != pictureStamp_) {
        loadPicture(pictureFile_);
        return;
    }
    if (!hasFrames()) {
        showBuiltInPicture();
        return;
    }
    show();
    startPlaying();
}

}  // namespace keyloft
