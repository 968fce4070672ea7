#pragma once
// Runs the built keyloft-cli for a benchmark: standard input from a file, output thrown away, and
// the tool's own resource use as wait4 reports it.

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    int status = -1;
    double cpuSeconds = 0;
    double peakMiB = 0;
};

// Runs keyloft-cli with standard input from `input` and its output thrown away; its own resource
// use, as wait4 reports it.
Run RunCli(const std::vector<std::string>& args, const std::filesystem::path& input) {
    std::vector<std::string> all{KEYLOFT_CLI_PATH};
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
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        rusage usage{};
        int status = 0;
        if (::wait4(pid, &status, 0, &usage) == pid) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
            run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024;  // kilobytes on Linux
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

}  // namespace
