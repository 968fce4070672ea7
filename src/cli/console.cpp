#include "cli/console.h"

#include <cstdio>
#include <iostream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>

#include "store/utf8_text.h"
#else
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#endif

namespace keyloft::cli {
namespace {

void Prompt(std::string_view prompt) {
    std::cerr << prompt << std::flush;
}

#ifdef _WIN32

// Standard input is a console when it has a console mode (_isatty would also say so of NUL and
// of serial ports).
bool InputIsConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

// One line typed at the console, read as UTF-16 so that any character typed arrives as it is.
std::optional<std::string> ReadConsoleLine() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::u16string line;
    wchar_t buffer[256];
    while (true) {
        DWORD n = 0;
        if (!ReadConsoleW(input, buffer, static_cast<DWORD>(std::size(buffer)), &n, nullptr) || n == 0) {
            if (line.empty()) return std::nullopt;
            break;
        }
        line.append(reinterpret_cast<const char16_t*>(buffer), n);
        if (line.back() == u'\n') break;
    }
    while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
    // Ctrl+Z at the start of a line ends the input, as it does for other console programs.
    if (line == u"\x1A") return std::nullopt;
    return Utf16ToUtf8(line);
}

// The console's echo, off while the object lives and back on afterwards (also after Ctrl+C).
DWORD g_savedMode = 0;

BOOL WINAPI RestoreConsole(DWORD) {
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_savedMode);
    return FALSE;  // the default handler ends the program
}

class EchoOff {
public:
    EchoOff() {
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        if (!GetConsoleMode(input, &g_savedMode)) return;
        SetConsoleCtrlHandler(RestoreConsole, TRUE);
        active_ = SetConsoleMode(input, g_savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
    }
    ~EchoOff() {
        if (active_) {
            SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_savedMode);
            Prompt("\n");  // the line break that was typed and not shown
        }
        SetConsoleCtrlHandler(RestoreConsole, FALSE);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool active_ = false;
};

#else

bool InputIsConsole() { return isatty(STDIN_FILENO) == 1; }

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

#endif

// One line of standard input without its line ending: typed at the console, or piped.
std::optional<std::string> ReadInputLine([[maybe_unused]] bool console) {
#ifdef _WIN32
    if (console) return ReadConsoleLine();
#endif
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

Console::Console() : interactive_(InputIsConsole()) {}

std::optional<std::string> Console::readLine(std::string_view prompt) {
    if (interactive_) Prompt(prompt);
    return ReadInputLine(interactive_);
}

std::optional<std::string> Console::readSecret(std::string_view prompt) {
    if (!interactive_) return readLine(prompt);
    EchoOff quiet;  // before the prompt, so nothing typed after the prompt is echoed or discarded
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
#ifdef _WIN32
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const DWORD type = GetFileType(input);
    if (type == FILE_TYPE_CHAR) {
        // A console is signalled by any input event; the line is then waited for in full.
        return WaitForSingleObject(input, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    }
    if (type != FILE_TYPE_PIPE) return true;  // a file: always ready
    // A pipe is never signalled while empty: look at it now and then.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        DWORD available = 0;
        if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) || available > 0) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(50);
    }
#else
    struct pollfd ready {
        STDIN_FILENO, POLLIN, 0
    };
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int n =
            ::poll(&ready, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (n > 0 || (n < 0 && errno != EINTR)) return true;  // a failure shows when the line is read
        if (n == 0 && left.count() <= 0) return false;
    }
#endif
}

void Console::printError(std::string_view text) {
    std::cerr << text << '\n' << std::flush;
}

}  // namespace keyloft::cli
