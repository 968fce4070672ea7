#pragma once
// The desktop pieces as the main window's hooks: the welcome animation in the welcome area and
// the notification-area icon. frmNewMain::setWelcomeAnimation / setTray take these.

#include <QPointer>
#include <QString>
#include <memory>

#include "pages/view_hooks.h"
#include "desktop/animated_gif_ctl.h"
#include "desktop/frm_sys_tray.h"
#include "store/ui_host.h"

class QWidget;

namespace keyloft {

class WelcomeAnimation final : public WelcomeAnimationApi {
public:
    // Puts the control AGif into the welcome area (into its layout when it has one).
    WelcomeAnimation(Dialogs& dialogs, QWidget* welcomeArea);

    // strGifFileName, LoadGif, StartTimer. A missing or empty file leaves the control hidden.
    void LoadAndStart(const QString& gifFileName) override;
    // Unlock: StopGif and hide. Lock: shown and started again.
    void Stop() override;
    void Start() override;

    AnimatedGifCtl* AGif() const { return agif_; }

private:
    bool hasFrames() const;
    QPointer<AnimatedGifCtl> agif_;
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

    FrmSysTray* tray() const { return tray_.get(); }

private:
    Dialogs& dialogs_;
    QPointer<QWidget> window_;
    std::unique_ptr<FrmSysTray> tray_;
};

}  // namespace keyloft
