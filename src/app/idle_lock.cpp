#include "app/idle_lock.h"

#include <algorithm>
#include <cstdint>

#include <QTimer>

namespace keyloft {
namespace {
constexpr int kTickMs = 60000;
}  // namespace

IdleLock::IdleLock(const Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), timer_(new QTimer(this)), lastActivity_(clock.now()) {
    timer_->setObjectName(QStringLiteral("tmrLock"));
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &IdleLock::tick);
}

void IdleLock::setOn(bool on) {
    on_ = on;
    if (!on) {
        timer_->stop();
    } else if (!timer_->isActive()) {
        timer_->start();
    }
}

void IdleLock::setMinutes(int minutes) {
    minutes_ = std::clamp(minutes, kFewestAutoLockMinutes, kMostAutoLockMinutes);
}

void IdleLock::resume() {
    if (on_) timer_->start();
}

void IdleLock::pause() { timer_->stop(); }

void IdleLock::recordActivity() { lastActivity_ = clock_.now(); }

bool IdleLock::idleLongEnough() const {
    const std::int64_t idleSeconds =
        (clock_.now().localEpochMilliseconds() - lastActivity_.localEpochMilliseconds()) / 1000;
    return idleSeconds >= static_cast<std::int64_t>(minutes_) * 60;
}

void IdleLock::tick() {
    if (idleLongEnough()) emit idle();
}

}  // namespace keyloft
