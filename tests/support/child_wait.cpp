// Processes of tests that fork exist on POSIX systems only.
#ifndef _WIN32
#include "support/child_wait.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "support/process_start.h"

namespace keyloft::testing {

pid_t ForkChild(const std::string& what) {
    pid_t child = -1;
    const StartOutcome outcome = StartWithRetries([&child] {
        child = ::fork();
        return child < 0 ? errno : 0;
    });
    if (!outcome.started()) {
        ADD_FAILURE() << StartFailure(what, "fork", outcome);
        return -1;
    }
    return child;
}

std::optional<int> WaitForChild(pid_t child, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            return status;
        }
        if (done < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // bounded polling of the child
    }
}

}  // namespace keyloft::testing
#endif
