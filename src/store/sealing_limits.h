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

}  // namespace keyloft::sealed
