#pragma once
// How often this process did the costly steps of opening a profile: key derivations (Argon2id)
// and loads of a profile file (read whole, checked and decoded). keyloft-cli prints them at its
// end when KEYLOFT_WORK_COUNTS is set, so that what a session did can be seen without timing it.

#include <atomic>
#include <cstdint>

namespace keyloft {

struct WorkCounts {
    std::atomic<std::uint64_t> keyDerivations{0};
    std::atomic<std::uint64_t> profileLoads{0};
};

inline WorkCounts& ProcessWorkCounts() {
    static WorkCounts counts;
    return counts;
}

}  // namespace keyloft
