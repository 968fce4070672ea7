#include "desktop/desktop_hooks.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLayout>
#include <QWidget>

namespace keyloft {

namespace {
constexpr char16_t kTip[] = u"Keyloft Password Manager";
}

WelcomeAnimationHook::WelcomeAnimationHook(Dialogs& dialogs, QWidget* welcomeArea, const QPixmap& builtInPicture)
    : agif_(new WelcomeAnimation(dialogs, welcomeArea)) {
    agif_->setObjectName(QStringLiteral("AGif"));
    agif_->setPicture(builtInPicture);
    agif_->hide();
    if (welcomeArea != nullptr && welcomeArea->layout() != nullptr)
        welcomeArea->layout()->addWidget(agif_);
    if (welcomeArea != nullptr && welcomeArea->layout() != nullptr)
        welcomeArea->layout()->setAlignment(agif_, Qt::AlignCenter);
}

bool WelcomeAnimationHook::hasFrames() const {
    return agif_ && !agif_->fileInfo().frames.empty() && !agif_->framePicture(0).isNull();
}

QString WelcomeAnimationHook::fileStamp(const QString& fileName) {
    const QFileInfo file(fileName);
    if (fileName.isEmpty() || !file.exists()) return {};
    return QStringLiteral("%1 %2").arg(file.size()).arg(file.lastModified().toMSecsSinceEpoch());
}

void WelcomeAnimationHook::showBuiltInPicture() {
    const QPixmap& picture = agif_->Picture();
    if (picture.isNull()) {
        agif_->hide();
        return;
    }
    agif_->setFixedSize(picture.deviceIndependentSize().toSize());
    agif_->show();
}

void WelcomeAnimationHook::LoadAndStart(const QString& gifFileName) {
    if (!agif_) return;
    if (loaded_ && gifFileName == fileName_) {
        Start();
        return;
    }
    load(gifFileName);
}

void WelcomeAnimationHook::load(const QString& gifFileName) {
    loaded_ = true;
    fileName_ = gifFileName;
    loadedStamp_ = fileStamp(gifFileName);
    agif_->setStrGifFileName(gifFileName);
    agif_->LoadGif(false);
    // Not a GIF (the message has been shown), or nothing to play.
    if (agif_->strGifFileName().isEmpty() || !hasFrames()) {
        showBuiltInPicture();
        return;
    }
    agif_->StartTimer();
    agif_->show();
}

void WelcomeAnimationHook::Stop() {
    if (!agif_) return;
    agif_->StopGif();
    agif_->hide();
}

void WelcomeAnimationHook::Start() {
    if (!agif_) return;
    // A file put in, changed or taken away since it was loaded is loaded afresh; the same file
    // goes on (a damaged one is not reported again).
    if (fileStamp(fileName_) != loadedStamp_) {
        load(fileName_);
        return;
    }
    if (!hasFrames()) {
        showBuiltInPicture();
        return;
    }
    agif_->show();
    agif_->StartTimer();
}

SystemTray::SystemTray(Dialogs& dialogs, QWidget* mainWindow) : dialogs_(dialogs), window_(mainWindow) {}

SystemTray::~SystemTray() = default;

void SystemTray::SetupTray() {
    if (tray_) return;
    tray_ = std::make_unique<TrayIcon>(dialogs_);
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
