#pragma once
// What the profile storage needs from the program around it. The storage never shows anything,
// never sleeps and never ends the program by itself: it asks its host. The window implements
// this interface; tests implement it with a recorder and a fake wait.

#include <string>

namespace keyloft {

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Title of every message box that has no title of its own.
inline constexpr char16_t kApplicationTitle[] = u"Keyloft";

struct MessageRequest {
    std::u16string text;
    std::u16string title = kApplicationTitle;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;  // No for destructive questions
};

// The dialogs seam: one message box, answered.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
};

class UiHost : public Dialogs {
public:
    // Lock the session as the Lock command does, without asking about unsaved changes.
    virtual void lockSession() = 0;
    // SetDirty(false): forget the unsaved-changes state.
    virtual void clearDirty() = 0;
    // Close the main window (the program then ends as on any close).
    virtual void closeMainWindow() = 0;
    // Let pending window events run.
    virtual void processEvents() = 0;
    // Block for the given time (the saver's retry waits). No other load or save may start meanwhile.
    virtual void waitMilliseconds(int milliseconds) = 0;
    // End the program at once: no save, no prompt. A test double returns; callers stop their work.
    virtual void endProgramNow() = 0;
    // Hourglass and normal mouse pointer around loads, saves and list fills.
    virtual void showBusyPointer() = 0;
    virtual void showIdlePointer() = 0;
};

}  // namespace keyloft
