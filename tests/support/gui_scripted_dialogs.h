#pragma once
// A Dialogs double for tests: every message box is recorded, and answered from a queue that the
// test fills beforehand. A box that nobody expected fails the test, and so does an expectation
// that is still waiting when the double goes away. Something may happen while a box is open (a
// timer fires, the window locks); a box that closeAll closes answers as cancelled.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "store/ui_host.h"

namespace keyloft::testing {

class ScriptedDialogs : public Dialogs {
  public:
    ~ScriptedDialogs() override;

    // The next box is answered with `answer`, whatever it says.
    void answerNext(MessageAnswer answer);
    // The next box must show exactly `text`; it is answered with `answer`.
    void expect(const std::u16string& text, MessageAnswer answer = MessageAnswer::Ok);
    void expect(const QString& text, MessageAnswer answer = MessageAnswer::Ok);
    // While the box queued last is open, `action` runs, before the box gives its answer.
    void whileOpen(std::function<void()> action);

    MessageAnswer showMessage(const MessageRequest& request) override;
    // The open boxes close as if cancelled: each answers No (OK for an OK box), whatever was queued.
    void closeAll() override { ++closeRequests_; }
    // How many boxes closeAll closed.
    int closedBoxes() const { return closedBoxes_; }

    const std::vector<MessageRequest>& shown() const { return shown_; }
    const MessageRequest& last() const;
    std::size_t pending() const { return queue_.size(); }
    // Forgets what was shown and what was still expected (a test's own reset, not a check).
    void reset();

  private:
    struct Expectation {
        std::optional<std::u16string> text;
        MessageAnswer answer;
        std::function<void()> whileOpen;
    };
    std::deque<Expectation> queue_;
    std::vector<MessageRequest> shown_;
    int closeRequests_ = 0;
    int closedBoxes_ = 0;
};

}  // namespace keyloft::testing
