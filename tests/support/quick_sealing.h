#pragma once
// The Argon2id limits of the key slots that tests and benchmarks make: the smallest there are, so
// that a sealed save takes no time. A file keeps the limits of its slots, whatever opens it.

#include "store/sealing_limits.h"

namespace keyloft::testing {

inline constexpr sealed::Limits kQuickSealing{1, 8192};

// The least that a program with the default limits reads (libsodium's INTERACTIVE limits): what
// tests make the files with that the command-line tool opens.
inline constexpr sealed::Limits kInteractiveSealing{2, 64ull << 20};

}  // namespace keyloft::testing
