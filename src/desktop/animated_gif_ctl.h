#pragma once
// A picture control that plays an animated GIF. It reads the file's block structure itself, lets
// Qt decode every frame once at load, and composes the frames on an off-screen canvas by their
// position, transparency and disposal, driven by its own timer.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "desktop/gif_parser.h"
#include "store/ui_host.h"

namespace keyloft {

class AnimatedGifCtl : public QWidget {
    Q_OBJECT
public:
    explicit AnimatedGifCtl(Dialogs& dialogs, QWidget* parent = nullptr);
    ~AnimatedGifCtl() override;

    // Properties.
    QString strGifFileName() const { return fileName_; }
    void setStrGifFileName(const QString& path) { fileName_ = path; }
    int UserDelay() const { return userDelay_; }
    void setUserDelay(long long milliseconds);
    void setUserDelay(const QString& text);  // not a number: 10
    bool StopRender() const { return stopRender_; }
    void setStopRender(bool on) { stopRender_ = on; }
    bool ChangeTransparentColor() const { return changeTransparentColor_; }
    void setChangeTransparentColor(bool on) { changeTransparentColor_ = on; }
    int NumberofFrames() const { return numberOfFrames_; }
    int CurrentFrame() const { return currentFrame_; }
    void setCurrentFrame(int frame) { currentFrame_ = frame; }
    bool DisplaySavedGifFileName() const { return displaySaved_; }
    void setDisplaySavedGifFileName(bool on) { displaySaved_ = on; }
    QColor BackColor() const { return backColor_; }
    void setBackColor(const QColor& color);
    QColor MaskColor() const { return maskColor_; }
    void setMaskColor(const QColor& color) { maskColor_ = color; }
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int style);
    // Drawn on the background, under the frames: what the control shows while it has none.
    const QPixmap& Picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

    // Methods.
    void LoadGif(bool wait);
    void PaintGif(int frame);
    void RenderGif(int frame);
    void StartTimer();
    void StopTimer();
    void StopGif();
    void Refresh() { update(); }
    void ShowAboutBox() {}

    // One timer tick (what the frame timer calls).
    void Timer_Timer();

    // Interval of the frame timer in milliseconds; 0 while stopped.
    int timerInterval() const { return timer_.isActive() ? timer_.interval() : 0; }
    // The parsed file and the state of the drawing, for the window and its tests.
    const GifFileInfo& fileInfo() const { return info_; }
    const QImage& canvas() const { return canvas_; }
    const QImage& surface() const { return surface_; }
    QImage framePicture(int frame) const;

signals:
    void Resize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void clearFrames();
    void prepareFrames(std::vector<std::uint8_t> data, GifFileInfo parsed);
    QColor keyColor(const GifFrameInfo& frame) const;
    void showBusy();
    void showIdle();

    Dialogs& dialogs_;
    QTimer timer_;
    QString fileName_;
    int userDelay_ = 1;
    bool stopRender_ = true;
    bool changeTransparentColor_ = true;
    int numberOfFrames_ = 0;
    int currentFrame_ = 0;
    bool displaySaved_ = false;
    QColor backColor_;
    QColor maskColor_;
    int borderStyle_ = 0;
    QPixmap picture_;
    bool busy_ = false;

    GifFileInfo info_;
    std::vector<QImage> pictures_;  // decoded frame pictures, ARGB32
    QImage canvas_;
    QImage surface_;  // what the control shows
};

}  // namespace keyloft
