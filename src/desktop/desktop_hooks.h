#pragma once
// The desktop pieces as the main window's hooks: the welcome animation in the welcome area and
// the notification-area icon. MainWindow::setWelcomeAnimation / setTray take these.

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <memory>

#include "pages/view_hooks.h"
#include "desktop/welcome_animation.h"
#include "desktop/tray_icon.h"
#include "store/ui_host.h"

class QWidget;

namespace keyloft {

class WelcomeAnimationHook final : public WelcomeAnimationApi {
public:
    // Puts the control AGif into the welcome area (into its layout when it has one). The
    // built-in picture stands in whenever no picture file can be played.
    WelcomeAnimationHook(Dialogs& dialogs, QWidget* welcomeArea, const QPixmap& builtInPicture = QPixmap());

    // strGifFileName, LoadGif, StartTimer. A file that is missing, empty, not a GIF or without a
    // frame that decodes shows the built-in picture (without one, the control is hidden). The
    // file loaded last goes on as Start does.
    void LoadAndStart(const QString& gifFileName) override;
    // Unlock: StopGif and hide. Lock: shown and started again; a picture file that has
    // appeared, changed or gone since it was loaded is loaded afresh first.
    void Stop() override;
    void Start() override;

    WelcomeAnimation* AGif() const { return agif_; }

private:
    void load(const QString& gifFileName);
    bool hasFrames() const;
    void showBuiltInPicture();
    // What the file looked like when it was last loaded: empty when it did not exist.
    static QString fileStamp(const QString& fileName);

    QPointer<WelcomeAnimation> agif_;
    bool loaded_ = false;
    QString fileName_;
    QString loadedStamp_;
};

class SystemTray final : public TrayApi {
public:
    SystemTray(Dialogs& dialogs, QWidget* mainWindow);
    ~SystemTray() override;

    // Creates the tray form once, serving the main window, and sets the tip again.
    void SetupTray() override;
    // Park: the window has made itself minimized.
    void onWindowMinimized() override;
    // The window unloads: the icon goes.
    void onWindowClosing() override;

    TrayIcon* tray() const { return tray_.get(); }

private:
    Dialogs& dialogs_;
    QPointer<QWidget> window_;
    std::unique_ptr<TrayIcon> tray_;
};

}  // namespace keyloft
