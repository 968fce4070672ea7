#include "cli_process.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

// The POSIX way of starting the program; cli_process_win.cpp has the Windows one.
#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

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
        if (entry.rfind("XDG_CONFIG_HOME=", 0) == 0 || entry.rfind("HOME=", 0) == 0) continue;
        env.push_back(entry);
    }
    env.push_back("XDG_CONFIG_HOME=" + configHome.string());
    env.push_back("HOME=" + configHome.string());
    return env;
}

[[noreturn]] void ExecCli(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    std::vector<char*> argv;
    std::string program = KEYLOFT_CLI_PATH;
    argv.push_back(program.data());
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
}

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000));
}

// Reads both pipes to their end, closing each at its end (and setting it to -1); false when the
// deadline came first.
bool Drain(int& outFd, int& errFd, std::string& out, std::string& err, Clock::time_point deadline) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int* owners[2] = {&outFd, &errFd};
    std::string* sinks[2] = {&out, &err};
    int open = (outFd >= 0 ? 1 : 0) + (errFd >= 0 ? 1 : 0);
    while (open > 0) {
        if (Clock::now() >= deadline) return false;
        const int ready = poll(fds, 2, MillisecondsLeft(deadline));
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                *owners[i] = -1;
                --open;
            }
        }
    }
    return true;
}

void CloseIfOpen(int fd) {
    if (fd >= 0) close(fd);
}

// Collects the exit status, polling until the deadline; then the program is killed.
RunResult Wait(pid_t pid, RunResult result, Clock::time_point deadline) {
    int status = 0;
    while (true) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return result;
        if (Clock::now() >= deadline) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // bounded polling of the child
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

// Ends a program that overran its wait and fails the test with what it had shown.
RunResult Abandon(pid_t pid, RunResult result, const std::string& what) {
    kill(pid, SIGKILL);
    result = Wait(pid, std::move(result), Clock::now() + kRunTimeout);
    result.timedOut = true;
    ADD_FAILURE() << what << "\nstandard output so far:\n" << result.out << "\nstandard error so far:\n"
                  << result.err;
    return result;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, const std::optional<std::string>& input,
                       const std::filesystem::path& configHome) {
    int in[2], out[2], err[2];
    Check(pipe2(in, O_CLOEXEC) == 0 && pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0, "pipe");
    if (!input) {
        close(in[0]);
        in[0] = open("/dev/null", O_RDONLY | O_CLOEXEC);
        Check(in[0] >= 0, "/dev/null");
    }
    const std::vector<std::string> env = ChildEnvironment(configHome);
    pid_ = fork();
    Check(pid_ >= 0, "fork");
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        ExecCli(args, env);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);  // a program that ends without reading its input
    const std::string bytes = input.value_or("");
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(in[1], bytes.data() + written, bytes.size() - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    close(in[1]);
    outFd_ = out[0];
    errFd_ = err[0];
}

CliProcess::~CliProcess() {
    if (pid_ > 0) finish();
}

RunResult CliProcess::finish() {
    RunResult result;
    const Clock::time_point deadline = Clock::now() + kRunTimeout;
    const bool drained = Drain(outFd_, errFd_, result.out, result.err, deadline);
    CloseIfOpen(outFd_);  // left open only when the wait ran out
    CloseIfOpen(errFd_);
    outFd_ = errFd_ = -1;
    const pid_t pid = pid_;
    pid_ = -1;
    if (!drained) {
        return Abandon(pid, std::move(result),
                       "keyloft-cli did not end within " + std::to_string(kRunTimeout.count()) + " s");
    }
    result = Wait(pid, std::move(result), deadline);
    if (result.timedOut) {
        ADD_FAILURE() << "keyloft-cli closed its output but did not end within " << kRunTimeout.count() << " s";
    }
    return result;
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
                           const std::filesystem::path& configHome, std::string& terminalEcho) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    Check(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0, "pseudo-terminal");
    const std::string slaveName = ptsname(master);
    int out[2], err[2];
    Check(pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0, "pipe");
    const std::vector<std::string> env = ChildEnvironment(configHome);
    const pid_t pid = fork();
    Check(pid >= 0, "fork");
    if (pid == 0) {
        setsid();
        const int slave = open(slaveName.c_str(), O_RDWR);  // becomes the controlling terminal
        if (slave < 0) _exit(126);
        dup2(slave, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        ExecCli(args, env);
    }
    close(out[1]);
    close(err[1]);

    int outFd = out[0];
    int errFd = err[0];
    RunResult result;
    std::size_t seen = 0;
    for (const auto& [prompt, typed] : steps) {
        const Clock::time_point deadline = Clock::now() + kPromptTimeout;
        bool ended = false;
        while (result.err.find(prompt, seen) == std::string::npos && !ended) {
            pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
            std::string* sinks[2] = {&result.out, &result.err};
            if (Clock::now() >= deadline) {
                CloseIfOpen(outFd);
                CloseIfOpen(errFd);
                close(master);
                return Abandon(pid, std::move(result),
                               "the prompt \"" + prompt + "\" did not come within " +
                                   std::to_string(kPromptTimeout.count()) + " s");
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
                          << "\"; standard error:\n" << result.err;
            break;
        }
        seen = at + prompt.size();
        const std::string line = typed + "\n";
        if (write(master, line.data(), line.size()) < 0) break;
    }
    std::string rest;
    const Clock::time_point deadline = Clock::now() + kRunTimeout;
    const bool drained = Drain(outFd, errFd, result.out, rest, deadline);
    result.err += rest;
    CloseIfOpen(outFd);
    CloseIfOpen(errFd);
    if (!drained) {
        close(master);
        return Abandon(pid, std::move(result),
                       "keyloft-cli did not end within " + std::to_string(kRunTimeout.count()) +
                           " s after the last prompt");
    }
    result = Wait(pid, std::move(result), deadline);
    if (result.timedOut) {
        ADD_FAILURE() << "keyloft-cli closed its output but did not end within " << kRunTimeout.count() << " s";
    }
    // What the terminal showed: read until the other side is gone.
    fcntl(master, F_SETFL, O_NONBLOCK);
    char buffer[512];
    ssize_t n;
    while ((n = read(master, buffer, sizeof buffer)) > 0) terminalEcho.append(buffer, static_cast<std::size_t>(n));
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
