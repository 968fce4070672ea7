#include "cli/terminal_host.h"

#include <chrono>
#include <thread>

#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

std::string Describe(const MessageRequest& request) {
    std::string text;
    if (request.title != kApplicationTitle) text = Utf16ToUtf8(request.title) + ": ";
    text += Utf16ToUtf8(request.text);
    return text;
}

}  // namespace

TerminalHost::TerminalHost(Console& console, bool assumeYes) : console_(console), assumeYes_(assumeYes) {}

MessageAnswer TerminalHost::showMessage(const MessageRequest& request) {
    if (request.buttons == MessageButtons::Ok) {
        Console::printError(Describe(request));
        return MessageAnswer::Ok;
    }
    lastQuestion_ = request.question;
    if (request.question != Question::None && request.question == answeredYes_) {
        Console::printError(Describe(request) + " yes (" + answeredYesWhy_ + ")");
        return MessageAnswer::Yes;
    }
    if (assumeYes_) {
        Console::printError(Describe(request) + " yes (--yes)");
        return MessageAnswer::Yes;
    }
    if (!console_.interactive()) {
        Console::printError(Describe(request) +
                            " no (standard input is not a terminal; give --yes to answer yes)");
        return MessageAnswer::No;
    }
    const bool yes = console_.askYesNo(Describe(request), request.defaultAnswer == MessageAnswer::Yes);
    return yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void TerminalHost::waitMilliseconds(int milliseconds) {
    if (!waitAnnounced_) {
        Console::printError("keyloft-cli: the profile file is in use; waiting for it...");
        waitAnnounced_ = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace keyloft::cli
