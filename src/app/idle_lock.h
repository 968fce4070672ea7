#pragma once
// Auto-lock: whether it is on, after how many idle minutes (5 to 60), the time of the last key
// press or mouse movement in the window, and the minute timer tmrLock that looks at them. The
// setup view's check box and slider show this object's state and change it; the "Timer" setting
// is read into it at logon and written from it by the setup view's Save.

#include <QObject>

#include "store/auto_lock.h"
#include "store/clock.h"

class QTimer;

namespace keyloft {

class IdleLock : public QObject {
    Q_OBJECT
  public:
    explicit IdleLock(const Clock& clock, QObject* parent = nullptr);

    bool isOn() const { return on_; }
    // On: the timer runs and each tick makes the idle test; off: it stops at once.
    void setOn(bool on);
    int minutes() const { return minutes_; }
    // Kept within kFewestAutoLockMinutes to kMostAutoLockMinutes.
    void setMinutes(int minutes);

    // Unlock: the timer runs again when auto-lock is on.
    void resume();
    // Auto-lock has locked the window: the timer stops until the next Unlock (auto-lock stays on).
    void pause();

    // A key press or a mouse move in the window.
    void recordActivity();
    LocalTime lastActivity() const { return lastActivity_; }
    // Whether the chosen minutes have passed since the last activity.
    bool idleLongEnough() const;

  signals:
    // A tick of the timer found the window idle long enough.
    void idle();

  private:
    void tick();

    const Clock& clock_;
    QTimer* timer_;
    bool on_ = false;
    int minutes_ = kFewestAutoLockMinutes;
    LocalTime lastActivity_;
};

}  // namespace keyloft
