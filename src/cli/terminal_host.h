#pragma once
// The program around the profile storage when it runs in a terminal: questions are answered by
// --yes, by the user on a terminal, or No; waits really wait. What an operation reports comes
// back in its result (see store_outcomes.h).

#include <string>
#include <vector>

#include "cli/console.h"
#include "store/ui_host.h"

namespace keyloft::cli {

class TerminalHost final : public Dialogs, public UiHost {
  public:
    TerminalHost(Console& console, bool assumeYes);

    MessageAnswer showMessage(const MessageRequest& request) override;
    void waitMilliseconds(int milliseconds) override;
    // --yes of the command that runs now (the shell's commands each have their own).
    void setAssumeYes(bool assumeYes) { assumeYes_ = assumeYes; }
    bool assumeYes() const { return assumeYes_; }
    // A question the running command answers Yes itself, saying `why` (merge opens a profile
    // that went back beside a newer conflict copy: that is what it is for).
    void answerYes(Question question, std::string why) {
        answeredYes_ = question;
        answeredYesWhy_ = std::move(why);
    }
    // The last Yes/No question asked.
    Question lastQuestion() const { return lastQuestion_; }

  private:
    Console& console_;
    bool assumeYes_;
    Question answeredYes_ = Question::None;
    std::string answeredYesWhy_;
    Question lastQuestion_ = Question::None;
    bool waitAnnounced_ = false;
};

}  // namespace keyloft::cli
