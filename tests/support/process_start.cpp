#include "support/process_start.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace keyloft::testing {
namespace {

std::atomic<int> g_faultsLeft{0};
std::atomic<int> g_faultError{0};

int InjectedFault() {
    int left = g_faultsLeft.load();
    while (left > 0) {
        if (g_faultsLeft.compare_exchange_weak(left, left - 1)) return g_faultError.load();
    }
    return 0;
}

std::string SystemText(int error) {
#ifdef _WIN32
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string narrow;
    if (n > 0 && text != nullptr) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
        narrow.resize(static_cast<std::size_t>(std::max(size, 0)));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), narrow.data(), size, nullptr, nullptr);
    }
    if (text != nullptr) LocalFree(text);
    while (!narrow.empty() && (narrow.back() == '\n' || narrow.back() == '\r' || narrow.back() == '.'))
        narrow.pop_back();
    return narrow;
#else
    return std::strerror(error);
#endif
}

}  // namespace

bool IsTransientStartError(int error) {
#ifdef _WIN32
    switch (error) {
        case 8:     // ERROR_NOT_ENOUGH_MEMORY
        case 14:    // ERROR_OUTOFMEMORY
        case 32:    // ERROR_SHARING_VIOLATION
        case 170:   // ERROR_BUSY
        case 1359:  // ERROR_INTERNAL_ERROR
        case 1450:  // ERROR_NO_SYSTEM_RESOURCES
        case 1455:  // ERROR_COMMITMENT_LIMIT
            return true;
        default:
            return false;
    }
#else
    return error == EAGAIN || error == ENOMEM || error == EINTR;
#endif
}

StartOutcome StartWithRetries(const std::function<int()>& start, StartPolicy policy,
                              const std::function<bool(int)>& transient) {
    StartOutcome outcome;
    std::chrono::milliseconds pause = policy.firstPause;
    while (true) {
        ++outcome.tries;
        const int fault = InjectedFault();
        outcome.error = fault != 0 ? fault : start();
        if (outcome.error == 0 || outcome.tries >= policy.attempts || !transient(outcome.error))
            return outcome;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, policy.longestPause);
    }
}

std::string StartFailure(const std::string& program, const std::string& call, const StartOutcome& outcome) {
    std::string message =
        program + " could not be started: " + call + ": error " + std::to_string(outcome.error);
    const std::string text = SystemText(outcome.error);
    if (!text.empty()) message += " (" + text + ")";
    return message + " after " + std::to_string(outcome.tries) + (outcome.tries == 1 ? " try" : " tries");
}

ScopedStartFaults::ScopedStartFaults(int count, int error) {
    g_faultError = error;
    g_faultsLeft = count;
}

ScopedStartFaults::~ScopedStartFaults() { g_faultsLeft = 0; }

}  // namespace keyloft::testing
