#pragma once
// The Argon2id limits of the key slots that tests and benchmarks make: the smallest there are, so
// that a sealed save takes no time. A file keeps the limits of its slots, whatever opens it.

#include "store/sealing_limits.h"

namespace keyloft::testing {

inline constexpr sealed::Limits kQuickSealing{1, 8192};

}  // namespace keyloft::testing
