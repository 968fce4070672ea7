// Starting keyloft-cli.exe on Windows: a UTF-16 command line quoted as the program's start-up
// code splits it, pipes for the three standard streams, one thread per stream.
#ifdef _WIN32

#include <windows.h>

#include <stdexcept>
#include <string>

#include "cli_process.h"

namespace keyloft::cli::testing {
namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": error " + std::to_string(GetLastError()));
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
    Check(n > 0, "argument is not UTF-8");
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// One argument as CommandLineToArgvW reads it back: quotes around it, backslashes doubled
// before a quote, quotes escaped.
std::wstring Quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

// keyloft-cli.exe is built into the folder of the test program (the build path that CMake gives
// is a host path when the tests run under Wine).
std::wstring ProgramPath() {
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return (std::filesystem::path(self).parent_path() / L"keyloft-cli.exe").wstring();
}

std::string ReadToEnd(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    return bytes;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, const std::optional<std::string>& input,
                       const std::filesystem::path&) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr, errRead = nullptr,
           errWrite = nullptr;
    if (input) {
        Check(CreatePipe(&inRead, &inWrite, &inherit, 1 << 16), "pipe");
        SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    } else {
        inRead = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);
        Check(inRead != INVALID_HANDLE_VALUE, "NUL");
    }
    Check(CreatePipe(&outRead, &outWrite, &inherit, 1 << 16) && CreatePipe(&errRead, &errWrite, &inherit, 1 << 16),
          "pipe");
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = Quote(ProgramPath());
    for (const std::string& a : args) commandLine += L" " + Quote(Widen(a));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &info);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    Check(started, "CreateProcessW");
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    outPipe_ = outRead;
    errPipe_ = errRead;
    if (input) {
        writer_ = std::thread([inWrite, bytes = *input] {
            std::size_t done = 0;
            DWORD n = 0;
            while (done < bytes.size() &&
                   WriteFile(inWrite, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr)) {
                done += n;
            }
            CloseHandle(inWrite);
        });
    }
}

CliProcess::~CliProcess() {
    if (process_ != nullptr) finish();
}

void CliProcess::kill(int signalNumber) {
    if (process_ != nullptr && TerminateProcess(process_, 128 + signalNumber)) killedBy_ = signalNumber;
}

RunResult CliProcess::finish() {
    RunResult result;
    std::thread errors([&] { result.err = ReadToEnd(errPipe_); });
    result.out = ReadToEnd(outPipe_);
    errors.join();
    if (writer_.joinable()) writer_.join();
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    result.exitCode = static_cast<int>(code);
    if (killedBy_ != 0 && code == static_cast<DWORD>(128 + killedBy_)) {
        result.exitCode = -1;
        result.signal = killedBy_;
    }
    CloseHandle(process_);
    CloseHandle(outPipe_);
    CloseHandle(errPipe_);
    process_ = outPipe_ = errPipe_ = nullptr;
    return result;
}

RunResult RunCli(const std::vector<std::string>& args, const std::optional<std::string>& input,
                 const std::filesystem::path& configHome) {
    CliProcess process(args, input, configHome);
    return process.finish();
}

}  // namespace keyloft::cli::testing

#endif  // _WIN32
