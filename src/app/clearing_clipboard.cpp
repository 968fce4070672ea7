#include "app/clearing_clipboard.h"

#include <QTimer>

namespace keyloft {

ClearingClipboard::ClearingClipboard(platform::Clipboard* clipboard, QObject* parent)
    : QObject(parent), clipboard_(clipboard), timer_(new QTimer(this)) {
    timer_->setObjectName(QStringLiteral("tmrClipboard"));
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &ClearingClipboard::clearIfOwn);
}

ClearingClipboard::~ClearingClipboard() { clearIfOwn(); }

void ClearingClipboard::setSeconds(int seconds) { seconds_ = seconds; }

void ClearingClipboard::setSecretText(const QString& text) {
    if (clipboard_ == nullptr) return;
    clipboard_->setSecretText(text);
    timer_->stop();
    if (seconds_ > 0) timer_->start(seconds_ * 1000);
}

QString ClearingClipboard::text() const { return clipboard_ != nullptr ? clipboard_->text() : QString(); }

bool ClearingClipboard::clearIfOwn() {
    timer_->stop();
    return clipboard_ != nullptr && clipboard_->clearIfOwn();
}

bool ClearingClipboard::clearSelectionIfOwn() {
    return clipboard_ != nullptr && clipboard_->clearSelectionIfOwn();
}

}  // namespace keyloft
