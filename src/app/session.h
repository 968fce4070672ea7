#pragma once
// The state of one session of the window, apart from any widget: whether the window is unlocked,
// whether the user has logged on (and the status line that says so), and whether there are
// unsaved changes. Auto-lock's idle time is the IdleLock's.

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

private:
    bool open_ = false;
    bool loggedOn_ = false;
    bool dirty_ = false;
    QString logonStatus_;
};

}  // namespace keyloft
