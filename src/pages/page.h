#pragma once
// A page of the main window: the passwords page, the category page and the security setup page.
// The window owns the toolbar commands and the session; a page does its own work when the window
// calls add, save, remove or cancel, and tells the window through signals when the user has
// changed something and which commands it wants on or off. A page knows nothing of the window.

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include <QString>
#include <QWidget>

#include "store/open_profile.h"
#include "store/profile_edits.h"
#include "store/profile_folder.h"
#include "store/ui_host.h"

namespace keyloft {

// What a page asks of the toolbar commands: on, off, or (empty) left as they are.
struct CommandStates {
    std::optional<bool> add;
    std::optional<bool> remove;
    std::optional<bool> save;
    std::optional<bool> cancel;
    std::optional<bool> show;
    std::optional<bool> generate;
    std::optional<bool> print;
    std::optional<bool> filterPressed;  // the Filter command's pressed state
};

// What a page works with besides its own widgets.
struct PageServices {
    ProfileEdits& edits;        // every change of the profile goes through here
    const OpenProfile& opened;  // the profile as it stands, read only
    ProfileFolder& folder;      // the settings and the error log
    Dialogs& dialogs;           // every message box goes through here
    // Carries out what a save of the store reported (its messages, and after a conflict lock-out
    // the lock) and returns its outcome. The caller goes on only on Saved.
    std::function<SaveOutcome(const SaveResult&)> carryOutSave;
    // Whether the session holds unsaved changes (of any page).
    std::function<bool()> hasUnsavedChanges;
    // The number of the session, which every lock changes (unset: it never changes).
    std::function<std::uint64_t()> sessionNumber;
};

// Texts of the question before unsaved changes are dropped.
inline constexpr char16_t kDiscardChangesText[] = u"You have unsaved changes. Continue and lose changes?";
inline constexpr char16_t kDiscardChangesTitle[] = u"Changes";

// "You have unsaved changes. Continue and lose changes?" with Yes and No (No by default); true
// for Yes.
bool ConfirmDiscardChanges(Dialogs& dialogs);

class Page : public QWidget {
    Q_OBJECT
  public:
    Page(PageServices services, QWidget* parent);

    // The window has shown (true) or hidden (false) the page and set the toolbar for it.
    virtual void pageShown(bool shown) { (void)shown; }
    // Fill the page from the profile afresh.
    virtual void refresh() {}
    // Add: empty boxes for a new record.
    virtual void add() {}
    // Save: check and store what the boxes hold, and write the profile. True when stored; a
    // refusal has been said and keeps the edits.
    virtual bool save() { return true; }
    // Delete, after the window's "Are you sure…": remove the chosen record and write the profile.
    virtual void remove() {}
    // Cancel: drop the edits and show the stored records again.
    virtual void cancel() { refresh(); }
    // The session was locked: no row, box or list item keeps anything of the profile.
    virtual void forgetProfile() {}

  signals:
    // The user changed a box (true) or the page dropped its edits (false).
    void dirtyChanged(bool dirty);
    void commandsChanged(const keyloft::CommandStates& states);
    // A status text of the page's own, shown after the logon status.
    void statusChanged(const QString& text);

  protected:
    ProfileEdits& edits() { return services_.edits; }
    const OpenProfile& opened() const { return services_.opened; }
    ProfileFolder& folder() { return services_.folder; }
    Dialogs& dialogs() { return services_.dialogs; }
    // Runs an edit of the profile (which checks, applies and writes) under the busy pointer.
    template <typename Edit>
    EditResult editStore(Edit&& edit) {
        showBusy(true);
        EditResult result = edit(services_.edits);
        showBusy(false);
        return result;
    }
    SaveOutcome carryOutSave(const SaveResult& result) { return services_.carryOutSave(result); }
    bool hasUnsavedChanges() const { return services_.hasUnsavedChanges && services_.hasUnsavedChanges(); }
    // Taken before a message box and compared after it: a lock that came while the box was open
    // closed it and let go of the profile, and what the box interrupted ends there.
    std::uint64_t session() const { return services_.sessionNumber ? services_.sessionNumber() : 0; }
    bool lockedSince(std::uint64_t taken) const { return session() != taken; }
    // True while the page fills its own boxes: that is not a user's edit.
    bool filling() const { return filling_; }
    // A user's edit: the session has unsaved changes (nothing while the page fills its boxes).
    void markChanged() {
        if (!filling_) emit dirtyChanged(true);
    }

    // Holds the page's fill-in state on while it lives, then puts back what it was, the way
    // QSignalBlocker holds back signals.
    class FillGuard {
      public:
        explicit FillGuard(Page& page) : flag_(page.filling_), was_(std::exchange(page.filling_, true)) {}
        ~FillGuard() { flag_ = was_; }
        FillGuard(const FillGuard&) = delete;
        FillGuard& operator=(const FillGuard&) = delete;

      private:
        bool& flag_;
        bool was_;
    };

  private:
    static void showBusy(bool busy);
    PageServices services_;
    bool filling_ = false;
};

}  // namespace keyloft
