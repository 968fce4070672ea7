#include "cli/terminal_host.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/text.h"
#include "store/profile_store.h"

namespace keyloft::cli {
namespace {

// Asked by the profile listing when the folder holds no profile. The command-line tool always
// works on the folder it was given, so it never switches to the application's folder.
constexpr char16_t kProfilesMissingTitle[] = u"Profiles Missing";

std::string Describe(const MessageRequest& request) {
    std::string text;
    if (request.title != kApplicationTitle) text = ToUtf8(request.title) + ": ";
    text += ToUtf8(request.text);
    return text;
}

}  // namespace

TerminalHost::TerminalHost(Console& console, bool assumeYes)
    : console_(console), assumeYes_(assumeYes) {}

MessageAnswer TerminalHost::showMessage(const MessageRequest& request) {
    if (request.buttons == MessageButtons::Ok) {
        Console::printError(Describe(request));
        return MessageAnswer::Ok;
    }
    if (request.title == kProfilesMissingTitle) return MessageAnswer::No;
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

void TerminalHost::lockSession() {
    sessionLocked_ = true;
    if (store_ != nullptr) store_->CloseHeldFile();
}

void TerminalHost::waitMilliseconds(int milliseconds) {
    if (!waitAnnounced_) {
        Console::printError("keyloft-cli: the profile file is in use; waiting for it...");
        waitAnnounced_ = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TerminalHost::endProgramNow() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(kExitEndedAtOnce);
}

}  // namespace keyloft::cli
