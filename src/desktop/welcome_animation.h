#pragma once
// The welcome picture of the locked window (control AGif): a picture control that plays an
// animated GIF. It reads the file's block structure itself, lets Qt decode every frame once at
// load, and composes the frames on an off-screen canvas by their position, transparency and
// disposal, driven by its own timer. Without a playable file it shows the picture built into the
// program.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "desktop/gif_parser.h"
#include "pages/view_hooks.h"
#include "store/ui_host.h"

namespace keyloft {

class WelcomeAnimation : public QWidget, public WelcomeAnimationApi {
    Q_OBJECT
public:
    explicit WelcomeAnimation(Dialogs& dialogs, QWidget* parent = nullptr);
    ~WelcomeAnimation() override;

    // The control in the welcome area (in its layout, centred, when it has one), named AGif and
    // hidden until the first load; `builtInPicture` stands in whenever no picture file can be
    // played.
    static WelcomeAnimation* CreateIn(QWidget* welcomeArea, Dialogs& dialogs, const QPixmap& builtInPicture);

    // The window's hooks. LoadAndStart: strGifFileName, LoadGif, StartTimer; a file that is
    // missing, empty, not a GIF or without a frame that decodes shows the built-in picture
    // (without one, the control is hidden); the file loaded last goes on as Start does. Stop
    // (Unlock): StopGif and hide. Start (Lock): shown and started again; a picture file that has
    // appeared, changed or gone since it was loaded is loaded afresh first.
    void LoadAndStart(const QString& gifFileName) override;
    void Start() override;
    void Stop() override;

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
    void loadPicture(const QString& gifFileName);
    bool hasFrames() const;
    void showBuiltInPicture();
    // What the file looked like when it was last loaded: empty when it did not exist.
    static QString fileStamp(const QString& fileName);
    void clearFrames();
    void prepareFrames(std::vector<std::uint8_t> data);
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
    bool pictureLoaded_ = false;  // LoadAndStart has loaded a picture file (or found none)
    QString pictureFile_;         // the file it was asked to play
    QString pictureStamp_;        // fileStamp of that file when it was loaded

    GifFileInfo info_;
    std::vector<QImage> pictures_;  // decoded frame pictures, ARGB32
    QImage canvas_;
    QImage surface_;  // what the control shows
};

}  // namespace keyloft
