#pragma once
// The message boxes of a session. A box that a lock closed answers as cancelled (No, or OK for a
// box with OK only) whatever was clicked in it, so that nothing is deleted, saved or printed by a
// question that was open when the window locked; while a lock waits for the store to finish, no
// box is shown at all. The boxes of the pages, the pop-up and printing are about the profile:
// they show nothing while nobody is logged on, so that a message that was waiting when the lock
// came never reaches the locked window.

#include "app/session.h"
#include "store/ui_host.h"

namespace keyloft {

class SessionDialogs final : public Dialogs {
  public:
    enum class Scope {
        Window,   // the window's and the store's own boxes (profile choice, logon, locking)
        Profile,  // boxes about the logged-on profile
    };

    SessionDialogs(Dialogs& dialogs, const Session& session, Scope scope)
        : dialogs_(dialogs), session_(session), scope_(scope) {}

    MessageAnswer showMessage(const MessageRequest& request) override;
    void closeAll() override { dialogs_.closeAll(); }

  private:
    Dialogs& dialogs_;
    const Session& session_;
    Scope scope_;
};

// What a box answers when it is closed without a choice: No for a question, else OK.
MessageAnswer CancelledAnswer(const MessageRequest& request);

}  // namespace keyloft
