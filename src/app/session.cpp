#include "app/session.h"

namespace keyloft {

Session::Session(const Clock& clock, QObject* parent) : QObject(parent), clock_(clock), lastActivity_(clock.now()) {}

void Session::setDirty(bool dirty) {
    const bool changed = dirty != dirty_;
    dirty_ = dirty;
    if (changed) emit dirtyChanged(dirty_);
}

bool Session::idleFor(int minutes) const {
    if (minutes <= 0) return false;
    const std::int64_t idleSeconds =
        (clock_.now().localEpochMilliseconds() - lastActivity_.localEpochMilliseconds()) / 1000;
    return idleSeconds >= static_cast<std::int64_t>(minutes) * 60;
}

void Session::end() {
    loggedOn_ = false;
    setDirty(false);
}

}  // namespace keyloft
