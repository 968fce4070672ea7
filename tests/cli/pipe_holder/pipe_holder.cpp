// A program for the tests of the child runner: it writes a line to each output, starts a process
// that inherits both outputs and sleeps for longer than the runner's time limit, writes that process's number
// to the file named by its second argument, and then ends ("end") or waits to be killed ("wait").
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

void Sleep(int seconds) { std::this_thread::sleep_for(std::chrono::seconds(seconds)); }

long StartSleeper() {
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" sleep";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return -1;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<long>(info.dwProcessId);
#else
    const pid_t sleeper = fork();
    if (sleeper == 0) {
        Sleep(120);
        _exit(0);
    }
    return sleeper;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "sleep") {
        Sleep(120);
        return 0;
    }
    if (argc < 3) return 2;
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // the same bytes as on other systems
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::fputs("started\n", stdout);
    std::fputs("started\n", stderr);
    std::fflush(stdout);
    std::fflush(stderr);  // not always unbuffered when it is a pipe
    const long sleeper = StartSleeper();
    std::printf("sleeper %ld\n", sleeper);
    std::fflush(stdout);
    const std::string part = std::string(argv[2]) + ".part";
    std::ofstream(part) << sleeper << '\n';
    std::rename(part.c_str(), argv[2]);  // the test sees the whole number or nothing
    if (mode == "wait") Sleep(60);
    return sleeper > 0 ? 0 : 1;
}
