#pragma once
// The state of one session of the window, apart from any widget: whether there are unsaved
// changes, whether the user has logged on, and when the user last did something (for auto-lock).

#include <cstdint>

#include <QObject>

#include "store/clock.h"

namespace keyloft {

class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(const Clock& clock, QObject* parent = nullptr);

    bool isDirty() const { return dirty_; }
    void setDirty(bool dirty);

    bool loggedOn() const { return loggedOn_; }
    void setLoggedOn(bool on) { loggedOn_ = on; }

    // A key press or a mouse move in the window.
    void recordActivity() { lastActivity_ = clock_.now(); }
    LocalTime lastActivity() const { return lastActivity_; }
    // Whether `minutes` whole minutes have passed without activity (never for 0 or fewer).
    bool idleFor(int minutes) const;

    // Lock: logged off, nothing unsaved.
    void end();

signals:
    void dirtyChanged(bool dirty);

private:
    const Clock& clock_;
    bool dirty_ = false;
    bool loggedOn_ = false;
    LocalTime lastActivity_;
};

}  // namespace keyloft
