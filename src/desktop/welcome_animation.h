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
    static WelcomeAnimation* createIn(QWidget* welcomeArea, Dialogs& dialogs, const QPixmap& builtInPicture);

    // The window's hooks. loadAndStart: setFileName, loadFile, startPlaying; a file that is
    // missing, empty, not a GIF or without a frame that decodes shows the built-in picture
    // (without one, the control is hidden); the file loaded last goes on as start does. stop
    // (Unlock): stopPlaying and hide. start (Lock): shown and started again; a picture file that
    // has appeared, changed or gone since it was loaded is loaded afresh first.
    void loadAndStart(const QString& gifFileName) override;
    void start() override;
    void stop() override;

    // Properties.
    QString fileName() const { return fileName_; }
    void setFileName(const QString& path) { fileName_ = path; }
    int userDelay() const { return userDelay_; }
    void setUserDelay(long long milliseconds);
    void setUserDelay(const QString& text);  // not a number: 10
    bool renderingStopped() const { return stopRender_; }
    void setRenderingStopped(bool on) { stopRender_ = on; }
    bool changesTransparentColor() const { return changeTransparentColor_; }
    void setChangesTransparentColor(bool on) { changeTransparentColor_ = on; }
    int lastFrame() const { return numberOfFrames_; }  // the number of frames less one
    int currentFrame() const { return currentFrame_; }
    void setCurrentFrame(int frame) { currentFrame_ = frame; }
    bool loadsFileOnPaint() const { return displaySaved_; }
    void setLoadsFileOnPaint(bool on) { displaySaved_ = on; }
    QColor backColor() const { return backColor_; }
    void setBackColor(const QColor& color);
    int borderStyle() const { return borderStyle_; }
    void setBorderStyle(int style);
    // Drawn on the background, under the frames: what the control shows while it has none.
    const QPixmap& picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

    // Reads and decodes the file named by fileName (letting pending events run first when `wait`)
    // and draws its first frame.
    void loadFile(bool wait);
    void paintFrame(int frame);
    void renderFrame(int frame);
    void startPlaying();
    void stopPlaying();

    // One timer tick (what the frame timer calls).
    void onFrameTimer();

    // Interval of the frame timer in milliseconds; 0 while stopped.
    int timerInterval() const { return timer_.isActive() ? timer_.interval() : 0; }
    // The parsed file and the state of the drawing, for the window and its tests.
    const GifFileInfo& fileInfo() const { return info_; }
    const QImage& canvas() const { return canvas_; }
    const QImage& surface() const { return surface_; }
    QImage framePicture(int frame) const;

  signals:
    void resized();

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
    int borderStyle_ = 0;
    QPixmap picture_;
    bool busy_ = false;
    bool pictureLoaded_ = false;  // loadAndStart has loaded a picture file (or found none)
    QString pictureFile_;         // the file it was asked to play
    QString pictureStamp_;        // fileStamp of that file when it was loaded

    GifFileInfo info_;
    std::vector<QImage> pictures_;  // decoded frame pictures, ARGB32
    QImage canvas_;
    QImage surface_;  // what the control shows
};

}  // namespace keyloft
