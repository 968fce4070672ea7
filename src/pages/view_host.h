#pragma once
// What lies between the main window and the views it holds (passwords, categories, setup, pop-up,
// printing). A view reaches the window's session state, toolbars and seams only through this.
// frmNewMain implements it; view tests implement it with a small fake.

#include <QString>

#include "store/profile_store.h"
#include "store/ui_host.h"

class QAction;

namespace keyloft {

class ViewHost {
public:
    virtual ~ViewHost() = default;

    virtual ProfileStore& store() = 0;
    // Saves the Profile and carries out what the store reports: its messages, and after a
    // conflict lock-out or a failed read the lock or close. The caller goes on only on Saved.
    virtual SaveOutcome saveProfile() = 0;
    virtual Dialogs& dialogs() = 0;  // every message box goes through here

    // Session state of the main window.
    virtual bool isDirty() const = 0;                 // unsaved-changes flag
    virtual void SetDirty(bool bolDirty) = 0;         // flag, then Save/Cancel on and Add off when Save is visible
    virtual bool fillGuard() const = 0;               // true while the program fills controls
    virtual void setFillGuard(bool on) = 0;
    virtual bool passwordEdited() const = 0;
    virtual void setPasswordEdited(bool on) = 0;
    virtual bool ConfirmDiscardChanges() = 0;         // "You have unsaved changes. Continue and lose changes?"

    // Toolbar buttons by key: Toolbar1 "Unlock", "Setup", "Passwords", "Show", "Generate", "Print";
    // Toolbar2 "Add", "Delete", "Save", "Cancel", "Filter". Never null for these keys.
    virtual QAction* toolbarButton(const QString& key) = 0;

    // Status line and the logon status text kept at logon.
    virtual void setStatusText(const QString& text) = 0;
    virtual QString logonStatusText() const = 0;

    // Hourglass and normal pointer.
    virtual void ShowBusyPointer() = 0;
    virtual void ShowIdlePointer() = 0;
};

// Holds the host's fill-in guard on while it lives and then puts back what it was, the way
// QSignalBlocker holds back signals: the program's own filling of controls is not a user's edit.
class FillGuard {
public:
    explicit FillGuard(ViewHost& host) : host_(host), wasOn_(host.fillGuard()) { host_.setFillGuard(true); }
    ~FillGuard() { host_.setFillGuard(wasOn_); }
    FillGuard(const FillGuard&) = delete;
    FillGuard& operator=(const FillGuard&) = delete;

private:
    ViewHost& host_;
    bool wasOn_;
};

}  // namespace keyloft
