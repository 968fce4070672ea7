#include "cli/cli_app.h"
#include "platform/platform_core.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store/utf8_text.h"

// Windows hands main() its arguments in the ANSI code page, which cannot hold most text: the
// arguments are taken from the UTF-16 command line instead and given to the parser as UTF-8.
// Standard input and output carry bytes as they are (no "\r\n" for "\n", no end at Ctrl+Z), and
// a console shows the UTF-8 output as text.
int main(int, char**) {
    keyloft::platform::DisableCoreDumps();
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return 2;
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(keyloft::Utf16ToUtf8(
            std::u16string_view(reinterpret_cast<const char16_t*>(wide[i]), std::wcslen(wide[i]))));
    }
    LocalFree(wide);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    return keyloft::cli::RunCli(count, argv.data());
}
#else
int main(int argc, char** argv) {
    keyloft::platform::DisableCoreDumps();
    return keyloft::cli::RunCli(argc, argv);
}
#endif
