#pragma once
// The Argon2id limits of the key slots a sealed save makes. A sealed file keeps the limits written
// in its slots, and opens with those whatever the store was given.

#include <cstddef>

namespace keyloft::sealed {

struct Limits {
    unsigned long long ops = 0;
    std::size_t mem = 0;
};

// OPSLIMIT_MODERATE / MEMLIMIT_MODERATE: what the program's slots use.
Limits DefaultLimits();
// OPSLIMIT_INTERACTIVE / MEMLIMIT_INTERACTIVE: the least a slot may ask for. A file with a slot
// below it is damaged: a slot that cheap is a file someone weakened.
Limits InteractiveLimits();
// The least a store that makes slots with `made` accepts: the interactive limits; a store set up
// to make slots below those (tests, benchmarks) reads down to libsodium's least.
Limits LoadingFloor(const Limits& made);

}  // namespace keyloft::sealed
