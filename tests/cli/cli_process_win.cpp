// Starting keyloft-cli.exe on Windows: a UTF-16 command line quoted as the program's start-up
// code splits it, pipes for the three standard streams that only the program inherits, and output
// read without ever waiting for an end that may not come.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cli_process.h"
#include "support/process_start.h"

namespace keyloft::cli::testing {
namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": error " + std::to_string(GetLastError()));
}

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), nullptr, 0);
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

// Programs are built into the folder of the test program (the build path that CMake gives is a
// host path when the tests run under Wine).
std::filesystem::path TestProgramFolder() {
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return std::filesystem::path(self).parent_path();
}

using Clock = std::chrono::steady_clock;

// One pipe from the program: read only what it holds, so that no read waits for an end that
// something else (a process the program started, a console host) may hold back for ever.
struct OutputPipe {
    HANDLE handle = nullptr;
    std::string* sink = nullptr;
    const char* name = "";

    bool open() const { return handle != nullptr; }
    void close() {
        if (handle != nullptr) CloseHandle(handle);
        handle = nullptr;
    }
    // Takes what the pipe holds now; closes it at its end.
    void takeBuffered() {
        while (open()) {
            DWORD available = 0;
            if (!PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr)) {
                const DWORD why = GetLastError();
                if (why == ERROR_BROKEN_PIPE) close();  // every writer has gone
                return;
            }
            if (available == 0) return;
            char buffer[4096];
            DWORD n = 0;
            if (!ReadFile(handle, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr) || n == 0) {
                close();
                return;
            }
            sink->append(buffer, n);
        }
    }
};

std::string StillOpen(const OutputPipe& out, const OutputPipe& err) {
    if (out.open() && err.open()) return "standard output and standard error";
    return out.open() ? out.name : err.name;
}

// Handles are made inheritable only here, one program start at a time, and each program is given
// the list of the three it may inherit: a program started by another thread of the test never
// holds this one's pipes open.
std::mutex g_startMutex;

struct HandleList {
    std::vector<unsigned char> storage;
    LPPROC_THREAD_ATTRIBUTE_LIST list = nullptr;
    HANDLE handles[3];

    explicit HandleList(HANDLE in, HANDLE out, HANDLE err) : handles{in, out, err} {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage.resize(size);
        auto* candidate = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
        if (size == 0 || !InitializeProcThreadAttributeList(candidate, 1, 0, &size)) return;
        if (!UpdateProcThreadAttribute(candidate, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                       sizeof handles, nullptr, nullptr)) {
            DeleteProcThreadAttributeList(candidate);
            return;
        }
        list = candidate;
    }
    ~HandleList() {
        if (list != nullptr) DeleteProcThreadAttributeList(list);
    }
};

}  // namespace

std::filesystem::path CliProgram() { return TestProgramFolder() / L"keyloft-cli.exe"; }

CliProcess::CliProcess(const std::vector<std::string>& args, const std::optional<std::string>& input,
                       const std::filesystem::path& configHome)
    : CliProcess(CliProgram(), args, input, configHome) {}

CliProcess::CliProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::optional<std::string>& input, const std::filesystem::path&)
    : name_(program.filename().string()) {
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr, errRead = nullptr,
           errWrite = nullptr;
    std::wstring commandLine = Quote(program.wstring());
    for (const std::string& a : args) commandLine += L" " + Quote(Widen(a));

    PROCESS_INFORMATION info{};
    keyloft::testing::StartOutcome start;
    {
        const std::lock_guard<std::mutex> starting(g_startMutex);
        if (input) {
            Check(CreatePipe(&inRead, &inWrite, nullptr, 1 << 16), "pipe");
        } else {
            inRead = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
            Check(inRead != INVALID_HANDLE_VALUE, "NUL");
        }
        Check(CreatePipe(&outRead, &outWrite, nullptr, 1 << 16) &&
                  CreatePipe(&errRead, &errWrite, nullptr, 1 << 16),
              "pipe");
        for (HANDLE childEnd : {inRead, outWrite, errWrite}) {
            SetHandleInformation(childEnd, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        }
        HandleList inherited(inRead, outWrite, errWrite);
        STARTUPINFOEXW startup{};
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = inRead;
        startup.StartupInfo.hStdOutput = outWrite;
        startup.StartupInfo.hStdError = errWrite;
        startup.lpAttributeList = inherited.list;
        // No console at all: no console host is started that could keep the pipes open.
        const DWORD flags = DETACHED_PROCESS | (inherited.list != nullptr ? EXTENDED_STARTUPINFO_PRESENT : 0);
        // Under Wine on a loaded machine a start now and then fails for a moment (error 1359).
        start = keyloft::testing::StartWithRetries([&] {
            return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                  nullptr, &startup.StartupInfo, &info)
                       ? 0
                       : static_cast<int>(GetLastError());
        });
        // The reading end of the input stays here (no longer inheritable), so that finish can take
        // what the program left unread and the writer always ends.
        if (input) {
            SetHandleInformation(inRead, HANDLE_FLAG_INHERIT, 0);
            inPipe_ = inRead;
        } else {
            CloseHandle(inRead);
        }
        CloseHandle(outWrite);
        CloseHandle(errWrite);
    }
    if (!start.started()) {
        for (HANDLE parentEnd : {inWrite, outRead, errRead, static_cast<HANDLE>(inPipe_)}) {
            if (parentEnd != nullptr) CloseHandle(parentEnd);
        }
        inPipe_ = nullptr;
        startFailure_ = keyloft::testing::StartFailure(name_, "CreateProcessW", start);
        ADD_FAILURE() << startFailure_;
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    outPipe_ = outRead;
    errPipe_ = errRead;
    written_ = std::make_shared<std::atomic<bool>>(!input.has_value());
    if (input) {
        // Written by a thread of its own, which may block while the pipe is full; finish takes
        // what is left once the program has ended, and joins it.
        writer_ = std::jthread([inWrite, bytes = *input, written = written_] {
            std::size_t done = 0;
            DWORD n = 0;
            while (done < bytes.size() && WriteFile(inWrite, bytes.data() + done,
                                                    static_cast<DWORD>(bytes.size() - done), &n, nullptr)) {
                done += n;
            }
            CloseHandle(inWrite);
            *written = true;
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
    if (process_ == nullptr) return NotStarted(startFailure_);
    RunResult result;
    OutputPipe out{outPipe_, &result.out, "standard output"};
    OutputPipe err{errPipe_, &result.err, "standard error"};
    const Clock::time_point deadline = Clock::now() + kRunTimeout;
    bool ended = false;
    while (true) {
        out.takeBuffered();
        err.takeBuffered();
        if (ended || (!out.open() && !err.open())) break;
        if (Clock::now() >= deadline) {
            const std::string waiting = StillOpen(out, err);
            TerminateProcess(process_, 1);
            result.timedOut = true;
            ADD_FAILURE() << name_ << " did not end within " << kRunTimeout.count()
                          << " s; still waiting on its " << waiting << "\nstandard output so far:\n"
                          << result.out << "\nstandard error so far:\n"
                          << result.err;
            break;
        }
        // Once the program has ended, what it wrote is in the pipes: one more look, then stop.
        ended = WaitForSingleObject(process_, 10) == WAIT_OBJECT_0;
    }
    out.close();
    err.close();
    if (WaitForSingleObject(process_, static_cast<DWORD>(kRunTimeout.count() * 1000)) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
        result.timedOut = true;
        ADD_FAILURE() << name_ << " closed its output but did not end within " << kRunTimeout.count() << " s";
    }
    // The program has ended: what it did not read is taken from the pipe, so that a writer
    // blocked on a full pipe ends.
    const Clock::time_point drained = Clock::now() + kRunTimeout;
    while (!*written_ && Clock::now() < drained) {
        DWORD available = 0;
        char buffer[4096];
        DWORD n = 0;
        if (PeekNamedPipe(inPipe_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            ReadFile(inPipe_, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr);
        } else {
            Sleep(10);
        }
    }
    if (!*written_) ADD_FAILURE() << "the input of " << name_ << " was still being written after it ended";
    if (writer_.joinable()) writer_.join();
    if (inPipe_ != nullptr) CloseHandle(inPipe_);
    inPipe_ = nullptr;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    result.exitCode = static_cast<int>(code);
    if (killedBy_ != 0 && code == static_cast<DWORD>(128 + killedBy_)) {
        result.exitCode = -1;
        result.signal = killedBy_;
    }
    CloseHandle(process_);
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
