#include "desktop/desktop_hooks.h"

#include <QLayout>
#include <QWidget>

namespace keyloft {

namespace {
constexpr char16_t kTip[] = u"Keyloft Password Manager";
}

WelcomeAnimation::WelcomeAnimation(Dialogs& dialogs, QWidget* welcomeArea)
    : agif_(new AnimatedGifCtl(dialogs, welcomeArea)) {
    agif_->setObjectName(QStringLiteral("AGif"));
    agif_->hide();
    if (welcomeArea != nullptr && welcomeArea->layout() != nullptr)
        welcomeArea->layout()->addWidget(agif_);
    if (welcomeArea != nullptr && welcomeArea->layout() != nullptr)
        welcomeArea->layout()->setAlignment(agif_, Qt::AlignCenter);
}

bool WelcomeAnimation::hasFrames() const {
    return agif_ && !agif_->fileInfo().frames.empty() && !agif_->framePicture(0).isNull();
}

void WelcomeAnimation::LoadAndStart(const QString& gifFileName) {
    if (!agif_) return;
    agif_->setStrGifFileName(gifFileName);
    agif_->LoadGif(false);
    if (agif_->strGifFileName().isEmpty()) {
        agif_->hide();  // not a GIF: the message has been shown
        return;
    }
    agif_->StartTimer();
    agif_->setVisible(hasFrames());
}

void WelcomeAnimation::Stop() {
    if (!agif_) return;
    agif_->StopGif();
    agif_->hide();
}

void WelcomeAnimation::Start() {
    if (!agif_ || !hasFrames()) return;
    agif_->show();
    agif_->StartTimer();
}

SystemTray::SystemTray(Dialogs& dialogs, QWidget* mainWindow) : dialogs_(dialogs), window_(mainWindow) {}

SystemTray::~SystemTray() = default;

void SystemTray::SetupTray() {
    if (tray_) return;
    tray_ = std::make_unique<FrmSysTray>(dialogs_);
    tray_->setFSys(window_);
    tray_->setTooltip(QString::fromUtf16(kTip));
}

void SystemTray::onWindowMinimized() {
    if (tray_ && window_) tray_->MeResize(window_);
}

void SystemTray::onWindowClosing() {
    if (tray_) tray_->MeUnload();
}

}  // namespace keyloft
