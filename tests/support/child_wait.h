#pragma once
// Forking a child process from a test, and waiting for it with a time limit.

#ifndef _WIN32
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>

namespace keyloft::testing {

// fork(), tried again while it fails for a moment (see process_start.h): the child's number, 0 in the
// child, or -1 after a failure of the test that names `what` and the error.
pid_t ForkChild(const std::string& what);

// The exit status (as waitpid gives it) of `child`; nothing when it has not ended within
// `limit`, in which case it is killed and reaped so that the test fails instead of hanging.
std::optional<int> WaitForChild(pid_t child, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace keyloft::testing
#endif
