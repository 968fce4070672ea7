#pragma once
// What the profile storage needs from the program around it while an operation runs: the saver's
// waits and a place for long work. Everything else (messages, questions, locking, closing, ending
// the program) the storage reports in the result of the operation, and the caller acts on it: a
// question comes back as a message for the caller to ask, and the caller goes on with the answer.
// The window implements these interfaces; the command-line tool answers from the terminal; tests
// use a recorder and a fake wait.

#include <functional>
#include <string>
#include <vector>

namespace keyloft {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Title of every message box that has no title of its own.
inline constexpr char16_t kApplicationTitle[] = u"Keyloft";

// Which question a Yes/No request asks, so that a host can answer it without reading its text.
enum class Question {
    None,
    TryApplicationFolder,
    ConfirmProfileDelete,
    MergeConflictCopies,
    MergeUnprovenCopies,  // copies that nothing shows to be of this profile: merge them as well?
    OpenReplacedProfile,
    OpenRolledBackProfile,  // an older file beside a conflict copy of the newer: open and merge?
};

struct MessageRequest {
    std::u16string text;
    std::u16string title = kApplicationTitle;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;  // No for destructive questions
    Question question = Question::None;
};

// The dialogs seam: one message box, answered.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
    // Closes every box and file question that is open, as if cancelled: a Yes/No box answers No.
    // The window locks this way; a host without windows has nothing to close.
    virtual void closeAll() {}
};

// What the storage may call while an operation runs. It never asks a question or runs the
// window's events itself: its results carry the questions.
class UiHost {
  public:
    virtual ~UiHost() = default;
    // Block for the given time (the saver's retry waits). No other load or save may start meanwhile.
    virtual void waitMilliseconds(int milliseconds) = 0;
    // Runs long work that touches nothing of the caller's but what it was given (the Argon2id key
    // derivation of a sealed save) and returns once it is done. The window runs it on a thread of
    // its own and goes on repainting meanwhile, busy bar shown; no other load or save may start. A
    // host without a window runs it at once.
    virtual void runLongWork(const std::function<void()>& work) { work(); }
};

// What the caller of a storage operation must do once it returns, in this order: show the
// messages (OK button), forget unsaved changes, lock the session, then close the main window or
// end the program at once.
struct StoreReport {
    std::vector<MessageRequest> messages;
    bool clearDirty = false;   // forget the unsaved-changes state (a conflict lock-out)
    bool lockSession = false;  // lock as the Lock command does, without asking about changes
    bool closeWindow = false;  // close the main window: a failure the user was told to reopen after
    bool endProgram = false;   // end at once, no save, no prompt (a line the cipher rejects)
};

}  // namespace keyloft
