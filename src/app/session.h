#pragma once
// The state of one session of the window, apart from any widget: whether the window is unlocked,
// whether the user has logged on (and the status line that says so), whether there are unsaved
// changes, and which session this is. Auto-lock's idle time is the IdleLock's.

#include <cstdint>

#include <QString>

namespace keyloft {

class Session {
  public:
    // Unlocked: the first toolbar button locks.
    bool isOpen() const { return open_; }
    void setOpen(bool open) { open_ = open; }

    bool loggedOn() const { return loggedOn_; }
    void setLoggedOn(bool on) { loggedOn_ = on; }

    bool isDirty() const { return dirty_; }
    void setDirty(bool dirty) { dirty_ = dirty; }

    // "You are logged into <name> profile!", kept so that a page's status can follow it.
    const QString& logonStatus() const { return logonStatus_; }
    void setLogonStatus(const QString& text) { logonStatus_ = text; }

    // Counts the locks: work that waited for a dialog compares it with the number it took before
    // and drops what it was about to do when a lock came meanwhile.
    std::uint64_t number() const { return number_; }
    void ended() { ++number_; }

    // A lock was asked for while the store was in the middle of an operation; it runs as soon as
    // the operation has returned. Meanwhile no box is shown.
    bool lockPending() const { return lockPending_; }
    void setLockPending(bool pending) { lockPending_ = pending; }

  private:
    std::uint64_t number_ = 0;
    bool lockPending_ = false;
    bool open_ = false;
    bool loggedOn_ = false;
    bool dirty_ = false;
    QString logonStatus_;
};

}  // namespace keyloft
