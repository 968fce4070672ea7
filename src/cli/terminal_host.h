#pragma once
// The program around the profile storage when it runs in a terminal: messages go to standard
// error, questions are answered by --yes, by the user on a terminal, or No; waits really wait;
// closing the window or locking the session is remembered for the command to act on; ending the
// program at once ends the process.

#include <string>
#include <vector>

#include "cli/console.h"
#include "store/ui_host.h"

namespace keyloft {
class ProfileStore;
}

namespace keyloft::cli {

class TerminalHost final : public UiHost {
public:
    TerminalHost(Console& console, bool assumeYes);

    // The store whose held file a lock closes.
    void attach(ProfileStore* store) { store_ = store; }

    MessageAnswer showMessage(const MessageRequest& request) override;
    void lockSession() override;
    void clearDirty() override {}
    void closeMainWindow() override { closeRequested_ = true; }
    void processEvents() override {}
    void waitMilliseconds(int milliseconds) override;
    [[noreturn]] void endProgramNow() override;
    void showBusyPointer() override {}
    void showIdlePointer() override {}

    bool closeRequested() const { return closeRequested_; }
    bool sessionLocked() const { return sessionLocked_; }

private:
    Console& console_;
    bool assumeYes_;
    ProfileStore* store_ = nullptr;
    bool closeRequested_ = false;
    bool sessionLocked_ = false;
    bool waitAnnounced_ = false;
};

}  // namespace keyloft::cli
