#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/program_runner.h"

extern char** environ;

namespace keyloft::platform {
namespace {

struct Pipe {
    int read = -1, write = -1;
    bool open() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    void close() {
        if (read >= 0) ::close(read);
        if (write >= 0) ::close(write);
        read = write = -1;
    }
};

// Reads both pipes to their ends, whichever fills first, so that neither can block the program;
// false when one of them brought more than `limit` bytes (it is not read further).
bool Drain(int outFd, int errFd, std::string& out, std::string& err, std::size_t limit) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* targets[2] = {&out, &err};
    int open = 2;
    char buffer[1 << 14];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return true;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                if (static_cast<std::size_t>(n) > limit - targets[i]->size()) return false;
                targets[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& environment,
                      std::size_t maxOutput) {
    ProgramRun run;
    if (args.empty()) return run;
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const bool replaced = std::any_of(environment.begin(), environment.end(), [&entry](const auto& pair) {
            return entry.compare(0, pair.first.size() + 1, pair.first + "=") == 0;
        });
        if (!replaced) envText.push_back(entry);
    }
    for (const auto& [name, value] : environment) envText.push_back(name + "=" + value);
    std::vector<char*> envp, argv;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argText(args);
    for (std::string& a : argText) argv.push_back(a.data());
    argv.push_back(nullptr);

    Pipe out, err;
    if (!out.open() || !err.open()) {
        out.close();
        err.close();
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out.write);
    ::close(err.write);
    out.write = err.write = -1;
    if (spawned != 0) {
        out.close();
        err.close();
        return run;
    }
    if (!Drain(out.read, err.read, run.out, run.err, maxOutput)) {
        run.outputCut = true;
        ::kill(pid, SIGKILL);
    }
    out.close();
    err.close();
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.started = true;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace keyloft::platform
