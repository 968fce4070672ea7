#include "cli/console.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>

namespace keyloft::cli {
namespace {

// The terminal settings to put back if the program is interrupted while echo is off.
struct termios g_savedTerminal;
volatile std::sig_atomic_t g_echoOff = 0;

extern "C" void RestoreTerminalAndExit(int signalNumber) {
    if (g_echoOff) tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) return;
        struct termios quiet = g_savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        std::signal(SIGINT, RestoreTerminalAndExit);
        std::signal(SIGTERM, RestoreTerminalAndExit);
        std::signal(SIGHUP, RestoreTerminalAndExit);
        g_echoOff = 1;
        if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) g_echoOff = 0;
    }
    ~EchoOff() {
        if (g_echoOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
        g_echoOff = 0;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
};

void Prompt(std::string_view prompt) {
    std::cerr << prompt << std::flush;
}

}  // namespace

Console::Console() : interactive_(isatty(STDIN_FILENO) == 1) {}

std::optional<std::string> Console::readLine(std::string_view prompt) {
    if (interactive_) Prompt(prompt);
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<std::string> Console::readSecret(std::string_view prompt) {
    if (!interactive_) return readLine(prompt);
    EchoOff quiet;  // before the prompt, so nothing typed after the prompt is echoed or discarded
    Prompt(prompt);
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool Console::askYesNo(std::string_view question, bool defaultYes) {
    Prompt(question);
    Prompt(defaultYes ? " [Y/n] " : " [y/N] ");
    std::string line;
    if (!std::getline(std::cin, line)) {
        Prompt("\n");
        return defaultYes;
    }
    if (line.empty()) return defaultYes;
    return line[0] == 'y' || line[0] == 'Y';
}

void Console::printError(std::string_view text) {
    std::cerr << text << '\n' << std::flush;
}

}  // namespace keyloft::cli
