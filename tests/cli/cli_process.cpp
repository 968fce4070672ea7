#include "cli_process.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

// The POSIX way of starting the program; cli_process_win.cpp has the Windows one.
#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/child_wait.h"
#include "support/process_start.h"

extern char** environ;

namespace keyloft::cli::testing {
namespace {

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// The environment of the test, with the settings folder and home pointed at the test's folder.
std::vector<std::string> ChildEnvironment(const std::filesystem::path& configHome) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("XDG_CONFIG_HOME=", 0) == 0 || entry.rfind("HOME=", 0) == 0 ||
            entry.rfind("XDG_DATA_HOME=", 0) == 0)
            continue;
        env.push_back(entry);
    }
    env.push_back("XDG_CONFIG_HOME=" + configHome.string());
    env.push_back("HOME=" + configHome.string());
    return env;
}

[[noreturn]] void Exec(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& env) {
    std::vector<char*> argv;
    std::string path = program.string();
    argv.push_back(path.data());
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(path.c_str(), argv.data(), envp.data());
    _exit(127);
}

using Clock = std::chrono::steady_clock;

// Slices of a wait: the program's end is looked at between them.
int MillisecondsLeft(Clock::time_point deadline, int slice = 1000) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, slice));
}

void CloseIfOpen(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Takes what a pipe holds now without waiting, and closes it.
void TakeBuffered(int& fd, std::string& sink) {
    if (fd < 0) return;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) sink.append(buffer, static_cast<std::size_t>(n));
    }
    CloseIfOpen(fd);
}

std::string OpenPipes(int outFd, int errFd) {
    if (outFd >= 0 && errFd >= 0) return "standard output and standard error";
    return outFd >= 0 ? "standard output" : "standard error";
}

// Collects the end of a program: its output until both pipes end or, once the program has
// ended, what they still hold (something the program started may keep a pipe open for ever), and
// its exit status. A program still running at the deadline is killed, and the test fails with a
// message that names the program and the pipes it was waiting on.
RunResult Collect(pid_t pid, const std::string& name, int& outFd, int& errFd, RunResult result,
                  Clock::time_point deadline) {
    int status = 0;
    bool ended = false;
    while (outFd >= 0 || errFd >= 0) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            ended = true;
            TakeBuffered(outFd, result.out);
            TakeBuffered(errFd, result.err);
            break;
        }
        if (Clock::now() >= deadline) {
            const std::string waiting = OpenPipes(outFd, errFd);
            CloseIfOpen(outFd);
            CloseIfOpen(errFd);
            kill(pid, SIGKILL);
            status = keyloft::testing::WaitForChild(pid).value_or(0);
            result.timedOut = true;
            ADD_FAILURE() << name << " (process " << pid << ") did not end within " << kRunTimeout.count()
                          << " s; still waiting on its " << waiting << "\nstandard output so far:\n"
                          << result.out << "\nstandard error so far:\n"
                          << result.err;
            ended = true;
            break;
        }
        pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
        int* owners[2] = {&outFd, &errFd};
        std::string* sinks[2] = {&result.out, &result.err};
        if (poll(fds, 2, MillisecondsLeft(deadline, 50)) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                CloseIfOpen(*owners[i]);
            }
        }
    }
    CloseIfOpen(outFd);
    CloseIfOpen(errFd);
    if (!ended) {  // both pipes ended: the program is ending
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const std::optional<int> exit =
            keyloft::testing::WaitForChild(pid, std::max(left, std::chrono::milliseconds(100)));
        if (!exit) {
            result.timedOut = true;
            ADD_FAILURE() << name << " (process " << pid << ") closed its output but did not end within "
                          << kRunTimeout.count() << " s";
            return result;
        }
        status = *exit;
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

// Writes a program's whole input and closes it; a program that stops reading (or something it
// started that holds the pipe) keeps the test waiting no longer than kRunTimeout.
void WriteInput(int& fd, const std::string& bytes, const std::string& name) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const Clock::time_point deadline = Clock::now() + kRunTimeout;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;  // the program has gone
        if (Clock::now() >= deadline) {
            ADD_FAILURE() << name << " read only " << written << " of " << bytes.size()
                          << " bytes of its standard input within " << kRunTimeout.count() << " s";
            break;
        }
        pollfd writable{fd, POLLOUT, 0};
        poll(&writable, 1, MillisecondsLeft(deadline, 50));
    }
    CloseIfOpen(fd);
}

}  // namespace

std::filesystem::path CliProgram() { return KEYLOFT_CLI_PATH; }

CliProcess::CliProcess(const std::vector<std::string>& args, const std::optional<std::string>& input,
                       const std::filesystem::path& configHome)
    : CliProcess(CliProgram(), args, input, configHome) {}

CliProcess::CliProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                       const std::optional<std::string>& input, const std::filesystem::path& configHome)
    : name_(program.filename().string()) {
    int in[2], out[2], err[2];
    Check(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0, "pipe");
    if (!input) {
        close(in[0]);
        in[0] = open("/dev/null", O_RDONLY | O_CLOEXEC);
        Check(in[0] >= 0, "/dev/null");
    }
    const std::vector<std::string> env = ChildEnvironment(configHome);
    const keyloft::testing::StartOutcome start = keyloft::testing::StartWithRetries([this] {
        pid_ = fork();
        return pid_ < 0 ? errno : 0;
    });
    if (start.started() && pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        Exec(program, args, env);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (!start.started()) {
        pid_ = -1;
        for (const int fd : {in[1], out[0], err[0]}) close(fd);
        startFailure_ = keyloft::testing::StartFailure(name_, "fork", start);
        ADD_FAILURE() << startFailure_;
        return;
    }
    signal(SIGPIPE, SIG_IGN);  // a program that ends without reading its input
    outFd_ = out[0];
    errFd_ = err[0];
    WriteInput(in[1], input.value_or(""), name_);
}

CliProcess::~CliProcess() {
    if (pid_ > 0) finish();
}

RunResult CliProcess::finish() {
    if (pid_ <= 0) return NotStarted(startFailure_);
    const pid_t pid = pid_;
    pid_ = -1;
    return Collect(pid, name_, outFd_, errFd_, RunResult{}, Clock::now() + kRunTimeout);
}

void CliProcess::kill(int signalNumber) {
    if (pid_ > 0) ::kill(pid_, signalNumber);
}

RunResult RunCli(const std::vector<std::string>& args, const std::optional<std::string>& input,
                 const std::filesystem::path& configHome) {
    CliProcess process(args, input, configHome);
    return process.finish();
}

RunResult RunCliOnTerminal(const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& steps,
                           const std::filesystem::path& configHome, std::string& terminalEcho,
                           const std::function<void(std::size_t)>& beforeTyping) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    Check(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0, "pseudo-terminal");
    const std::string slaveName = ptsname(master);
    int out[2], err[2];
    Check(pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0, "pipe");
    const std::vector<std::string> env = ChildEnvironment(configHome);
    const pid_t pid = keyloft::testing::ForkChild("keyloft-cli");
    if (pid < 0) {
        for (const int fd : {master, out[0], out[1], err[0], err[1]}) close(fd);
        return NotStarted("keyloft-cli could not be started");
    }
    if (pid == 0) {
        setsid();
        const int slave = open(slaveName.c_str(), O_RDWR);  // becomes the controlling terminal
        if (slave < 0) _exit(126);
        dup2(slave, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        Exec(CliProgram(), args, env);
    }
    close(out[1]);
    close(err[1]);

    int outFd = out[0];
    int errFd = err[0];
    RunResult result;
    std::size_t seen = 0;
    for (std::size_t step = 0; step < steps.size(); ++step) {
        const auto& [prompt, typed] = steps[step];
        const Clock::time_point deadline = Clock::now() + kPromptTimeout;
        bool ended = false;
        while (result.err.find(prompt, seen) == std::string::npos && !ended) {
            pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
            std::string* sinks[2] = {&result.out, &result.err};
            if (Clock::now() >= deadline) {
                ADD_FAILURE() << "the prompt \"" << prompt << "\" did not come within "
                              << kPromptTimeout.count() << " s\nstandard output so far:\n"
                              << result.out << "\nstandard error so far:\n"
                              << result.err;
                ::kill(pid, SIGKILL);
                close(master);
                result =
                    Collect(pid, "keyloft-cli", outFd, errFd, std::move(result), Clock::now() + kRunTimeout);
                result.timedOut = true;
                return result;
            }
            if (poll(fds, 2, MillisecondsLeft(deadline)) < 0 && errno != EINTR) break;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) continue;
                char buffer[512];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                    continue;
                }
                int& fd = i == 0 ? outFd : errFd;
                close(fd);
                fd = -1;
                ended = ended || i == 1;  // standard error closed: the prompt can no longer come
            }
        }
        const std::size_t at = result.err.find(prompt, seen);
        if (at == std::string::npos) {
            ADD_FAILURE() << "keyloft-cli closed standard error before the prompt \"" << prompt
                          << "\"; standard error:\n"
                          << result.err;
            break;
        }
        seen = at + prompt.size();
        if (beforeTyping) beforeTyping(step);
        const std::string line = typed + "\n";
        if (write(master, line.data(), line.size()) < 0) break;
    }
    result = Collect(pid, "keyloft-cli", outFd, errFd, std::move(result), Clock::now() + kRunTimeout);
    // What the terminal showed: read until the other side is gone.
    fcntl(master, F_SETFL, O_NONBLOCK);
    char buffer[512];
    ssize_t n;
    while ((n = read(master, buffer, sizeof buffer)) > 0)
        terminalEcho.append(buffer, static_cast<std::size_t>(n));
    close(master);
    return result;
}

}  // namespace keyloft::cli::testing
#endif

namespace keyloft::cli::testing {

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace keyloft::cli::testing
