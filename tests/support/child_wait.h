#pragma once
// Waiting for a child process that a test forked, with a time limit.

#ifndef _WIN32
#include <sys/types.h>

#include <chrono>
#include <optional>

namespace keyloft::testing {

// The exit status (as waitpid gives it) of `child`; nothing when it has not ended within
// `limit`, in which case it is killed and reaped so that the test fails instead of hanging.
std::optional<int> WaitForChild(pid_t child, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace keyloft::testing
#endif
