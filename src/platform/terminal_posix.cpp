#include "platform/terminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iostream>

namespace keyloft::platform {
namespace {

// The terminal settings to put back if the program is interrupted while echo is off.
struct termios g_savedTerminal;
volatile std::sig_atomic_t g_echoOff = 0;

extern "C" void RestoreTerminalAndExit(int signalNumber) {
    if (g_echoOff) tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

}  // namespace

bool InputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::optional<std::string> ReadTerminalLine() {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

EchoOff::EchoOff() {
    if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) return;
    struct termios quiet = g_savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    std::signal(SIGINT, RestoreTerminalAndExit);
    std::signal(SIGTERM, RestoreTerminalAndExit);
    std::signal(SIGHUP, RestoreTerminalAndExit);
    active_ = true;
    g_echoOff = 1;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) g_echoOff = 0;
}

EchoOff::~EchoOff() {
    if (!active_) return;
    if (g_echoOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    g_echoOff = 0;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
}

bool WaitForInput(std::chrono::milliseconds timeout) {
    struct pollfd ready {
        STDIN_FILENO, POLLIN, 0
    };
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int n =
            ::poll(&ready, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (n > 0 || (n < 0 && errno != EINTR)) return true;
        if (n == 0 && left.count() <= 0) return false;
    }
}

std::optional<std::vector<std::string>> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void UseUtf8StandardStreams() {}

}  // namespace keyloft::platform
