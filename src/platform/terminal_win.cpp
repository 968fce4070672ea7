#include "platform/terminal.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <iostream>
#include <iterator>

#include "store/text_convert.h"

namespace keyloft::platform {
namespace {

// The console mode to put back, also after Ctrl+C.
DWORD g_savedMode = 0;

BOOL WINAPI RestoreConsole(DWORD) {
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_savedMode);
    return FALSE;  // the default handler ends the program
}

}  // namespace

// A console has a console mode (_isatty would also say so of NUL and of serial ports).
bool InputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool OutputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::optional<std::string> ReadTerminalLine() {
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
    if (line == u"\x1A") return std::nullopt;
    return Utf16ToUtf8(line);
}

EchoOff::EchoOff() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!GetConsoleMode(input, &g_savedMode)) return;
    SetConsoleCtrlHandler(RestoreConsole, TRUE);
    active_ = SetConsoleMode(input, g_savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
}

EchoOff::~EchoOff() {
    if (active_) {
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_savedMode);
        std::cerr << '\n' << std::flush;  // the line break that was typed and not shown
    }
    SetConsoleCtrlHandler(RestoreConsole, FALSE);
}

bool WaitForInput(std::chrono::milliseconds timeout) {
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
}

std::optional<std::vector<std::string>> Utf8Arguments(int, char**) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::nullopt;
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(Utf16ToUtf8(
            std::u16string_view(reinterpret_cast<const char16_t*>(wide[i]), std::wcslen(wide[i]))));
    }
    LocalFree(wide);
    return arguments;
}

void UseUtf8StandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

}  // namespace keyloft::platform
