#pragma once
// A host for tests: records every question, answers it from a queue, and waits without sleeping
// (it only counts). carryOut records what an operation reported as the window carries it out: its
// messages, then the clear, lock, close or end. Hooks let a test react to a lock or to a wait (for
// example to close the store's held file as the window does).

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "store/ui_host.h"

namespace keyloft::testing {

class RecordingHost : public Dialogs, public UiHost {
  public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    void waitMilliseconds(int milliseconds) override;

    void carryOut(const StoreReport& report);

    // Answers for questions (Yes/No boxes), in order. An empty queue answers the default button.
    std::deque<MessageAnswer> answers;

    std::vector<MessageRequest> messages;
    std::vector<int> waits;  // milliseconds of every wait
    int locks = 0;
    int dirtyCleared = 0;
    int mainWindowCloses = 0;
    int programEnds = 0;

    std::function<void()> onLock;
    std::function<void(int)> onWait;

    // Texts of the recorded messages, in order.
    std::vector<std::u16string> texts() const;
    int totalWaitMilliseconds() const;
    void clear();
};

}  // namespace keyloft::testing
