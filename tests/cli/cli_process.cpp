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

#include <cerrno>
#include <cstring>

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

// Reads both pipes to their end.
void Drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
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
                --open;
            }
        }
    }
}

RunResult Wait(pid_t pid, RunResult result) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
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
    Drain(outFd_, errFd_, result.out, result.err);
    result = Wait(pid_, std::move(result));
    pid_ = -1;
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

    RunResult result;
    std::size_t seen = 0;
    for (const auto& [prompt, typed] : steps) {
        while (result.err.find(prompt, seen) == std::string::npos) {
            char buffer[512];
            const ssize_t n = read(err[0], buffer, sizeof buffer);
            if (n <= 0) break;
            result.err.append(buffer, static_cast<std::size_t>(n));
        }
        const std::size_t at = result.err.find(prompt, seen);
        if (at == std::string::npos) break;
        seen = at + prompt.size();
        const std::string line = typed + "\n";
        if (write(master, line.data(), line.size()) < 0) break;
    }
    std::string rest;
    Drain(out[0], err[0], result.out, rest);
    result.err += rest;
    result = Wait(pid, std::move(result));
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

TempFolder::TempFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            std::filesystem::temp_directory_path() / ("keyloft-cli-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error) && !error) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

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
