#pragma once
// A Dialogs double for tests: every message box is recorded, and answered from a queue that the
// test fills beforehand. A box that nobody expected fails the test, and so does an expectation
// that is still waiting when the double goes away.

#include <deque>
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

    MessageAnswer showMessage(const MessageRequest& request) override;

    const std::vector<MessageRequest>& shown() const { return shown_; }
    const MessageRequest& last() const;
    std::size_t pending() const { return queue_.size(); }
    // Forgets what was shown and what was still expected (a test's own reset, not a check).
    void reset();

private:
    struct Expectation {
        std::optional<std::u16string> text;
        MessageAnswer answer;
    };
    std::deque<Expectation> queue_;
    std::vector<MessageRequest> shown_;
};

}  // namespace keyloft::testing
