#pragma once
// A host for a store that stands for another running instance, or runs in a benchmark: it
// answers every question with its default button (No for the store's questions), never waits,
// and keeps what it was shown and how often it was asked to wait. `onMessage`,
// when set, sees each message first (a fixture can fail the test on any).

#include <functional>
#include <string>
#include <vector>

#include "store/ui_host.h"

namespace keyloft::testing {

class QuietHost final : public Dialogs, public UiHost {
  public:
    MessageAnswer showMessage(const MessageRequest& request) override {
        if (onMessage) onMessage(request);
        shown.push_back(request.text);
        return request.defaultAnswer;
    }
    void waitMilliseconds(int) override { ++waits; }

    std::function<void(const MessageRequest&)> onMessage;
    std::vector<std::u16string> shown;
    int waits = 0;
};

}  // namespace keyloft::testing
