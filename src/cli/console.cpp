#include "cli/console.h"

#include <iostream>

#include "platform/terminal.h"

namespace keyloft::cli {
namespace {

void Prompt(std::string_view prompt) { std::cerr << prompt << std::flush; }

// One line of standard input without its line ending: typed at the terminal, or piped.
std::optional<std::string> ReadInputLine(bool terminal) {
    if (terminal) return platform::ReadTerminalLine();
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

Console::Console() : interactive_(platform::InputIsTerminal()) {}

std::optional<std::string> Console::readLine(std::string_view prompt) {
    if (interactive_) Prompt(prompt);
    return ReadInputLine(interactive_);
}

std::optional<std::string> Console::readSecret(std::string_view prompt) {
    if (!interactive_) return readLine(prompt);
    platform::EchoOff quiet;  // before the prompt, so nothing typed after the prompt is echoed or discarded
    Prompt(prompt);
    return ReadInputLine(true);
}

bool Console::askYesNo(std::string_view question, bool defaultYes) {
    Prompt(question);
    Prompt(defaultYes ? " [Y/n] " : " [y/N] ");
    const std::optional<std::string> line = ReadInputLine(interactive_);
    if (!line) {
        Prompt("\n");
        return defaultYes;
    }
    if (line->empty()) return defaultYes;
    return (*line)[0] == 'y' || (*line)[0] == 'Y';
}

bool Console::waitForInput(std::chrono::milliseconds timeout) {
    if (std::cin.rdbuf()->in_avail() != 0) return true;  // read ahead already, or at the end
    return platform::WaitForInput(timeout);
}

void Console::printError(std::string_view text) { std::cerr << text << '\n' << std::flush; }

}  // namespace keyloft::cli
