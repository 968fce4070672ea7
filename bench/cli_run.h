#pragma once
// Runs the built keyloft-cli (or another program) for a benchmark: standard input from a file,
// output thrown away, and the program's own resource use as wait4 reports it.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    int status = -1;
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double peakMiB = 0;
};

// Runs `program` with standard input from `input` and its output thrown away; its own resource
// use, as wait4 reports it, and the wall time from its start to its end.
Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::filesystem::path& input) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    Run run;
    const auto started = std::chrono::steady_clock::now();
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        rusage usage{};
        int status = 0;
        if (::wait4(pid, &status, 0, &usage) == pid) {
            run.wallSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024;  // kilobytes on Linux
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// The same for the built keyloft-cli.
Run RunCli(const std::vector<std::string>& args, const std::filesystem::path& input) {
    return RunProgram(KEYLOFT_CLI_PATH, args, input);
}

}  // namespace
