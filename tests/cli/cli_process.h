#pragma once
// Runs the built keyloft-cli as a user would: arguments, piped standard input (or a terminal),
// its own settings folder, and captured output and exit status.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/temp_folder.h"

namespace keyloft::cli::testing {

using keyloft::testing::TempFolder;

struct RunResult {
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;
    bool timedOut = false;  // killed by the helper after a wait ran out (the test has failed)
    std::string out, err;
};

// What finish gives for a program that could not be started: exit code -1 and `why`.
inline RunResult NotStarted(const std::string& why) {
    RunResult result;
    result.err = why;
    return result;
}

// How long a helper waits for keyloft-cli. A run may legitimately wait four times 3 s for a
// profile that another instance holds; a prompt comes at once.
inline constexpr std::chrono::seconds kRunTimeout{30};
inline constexpr std::chrono::seconds kPromptTimeout{10};

// The built keyloft-cli, beside the test program.
std::filesystem::path CliProgram();

// A started keyloft-cli (or, for the runner's own tests, another program); its input is written
// and closed at start (no input: standard input is the null device). On Windows the settings live
// in the registry and `configHome` is not used.
//
// The output is read until both pipes end or, once the program has ended, until nothing more is
// buffered: a pipe that something else still holds open (a process the program started, a console
// host) never keeps a test waiting.
//
// A program that cannot be started even after a few tries (see support/process_start.h) fails the
// test with a message naming it and the error; finish() then gives exit code -1 and that message
// as standard error.
class CliProcess {
  public:
    CliProcess(const std::vector<std::string>& args, const std::optional<std::string>& input,
               const std::filesystem::path& configHome);
    CliProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::optional<std::string>& input, const std::filesystem::path& configHome);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    // Waits for the end, collecting the output. A program still running after kRunTimeout is
    // killed and the test fails with a message that names the program, the pipes it was still
    // waiting on, and what had been written.
    RunResult finish();
    // Sends a signal (finish then collects the end). On Windows every signal ends the program at
    // once, as SIGKILL does, and finish reports it as that signal.
    void kill(int signalNumber);

  private:
    std::string name_;  // the program's file name, for failure messages
    std::string startFailure_;
#ifdef _WIN32
    void* process_ = nullptr;
    void* inPipe_ = nullptr;  // a reading end of the program's input, for what it leaves unread
    void* outPipe_ = nullptr;
    void* errPipe_ = nullptr;
    std::jthread writer_;
    std::shared_ptr<std::atomic<bool>> written_;  // the writer has finished (or given up)
    int killedBy_ = 0;
#else
    int pid_ = -1;
    int outFd_ = -1, errFd_ = -1;
#endif
};

RunResult RunCli(const std::vector<std::string>& args, const std::optional<std::string>& input,
                 const std::filesystem::path& configHome);

// Arguments and paths of a test as UTF-8 text.
std::string Utf8(const std::filesystem::path& path);

#ifndef _WIN32
// Runs keyloft-cli with a terminal as standard input. For each step, waits until standard error
// has shown `first` (since the previous step), runs `beforeTyping` (when given) with the step's
// index, and then types `second`. `terminalEcho` receives what the terminal showed. A prompt that
// does not come within kPromptTimeout fails the test, naming the prompt and what standard error
// showed instead, and the program is killed.
RunResult RunCliOnTerminal(const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& steps,
                           const std::filesystem::path& configHome, std::string& terminalEcho,
                           const std::function<void(std::size_t step)>& beforeTyping = {});
#endif

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace keyloft::cli::testing
