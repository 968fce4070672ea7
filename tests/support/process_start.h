#pragma once
// Starting a child process from a test. On a loaded machine (and under Wine) a start can fail for
// a moment; such a start is tried again a few times after a short pause, and a start that still
// fails fails the one test with a message naming the program and the error, instead of ending the
// test program.

#include <chrono>
#include <functional>
#include <string>

namespace keyloft::testing {

// How often, and with what pauses, a start is tried. The pause doubles after each failure, up to
// `longestPause`.
struct StartPolicy {
    int attempts = 8;
    std::chrono::milliseconds firstPause{50};
    std::chrono::milliseconds longestPause{1000};
};

struct StartOutcome {
    int error = 0;  // of the last try (errno, or GetLastError on Windows); 0: started
    int tries = 0;
    bool started() const { return error == 0; }
};

// Errors of a start that are worth trying again: POSIX EAGAIN, ENOMEM and EINTR; Windows' internal
// error 1359 (seen under Wine), lack of memory or resources, a busy or shared file.
bool IsTransientStartError(int error);

// Runs `start` (which returns 0 or the error of its try) until it succeeds, fails with an error that
// `transient` refuses, or has failed `policy.attempts` times.
StartOutcome StartWithRetries(const std::function<int()>& start, StartPolicy policy = {},
                              const std::function<bool(int)>& transient = IsTransientStartError);

// "<program> could not be started: <call>: error <n> (<system's text>) after <tries> tries".
std::string StartFailure(const std::string& program, const std::string& call, const StartOutcome& outcome);

// While one lives, the next `count` tries of StartWithRetries in this test program fail with `error`
// before their start is run: the tests' way to make a start fail.
class ScopedStartFaults {
  public:
    ScopedStartFaults(int count, int error);
    ~ScopedStartFaults();
    ScopedStartFaults(const ScopedStartFaults&) = delete;
    ScopedStartFaults& operator=(const ScopedStartFaults&) = delete;
};

}  // namespace keyloft::testing
