// A profile file as it sits in the shared folder: any bytes, split into lines and decoded as the
// loader and `keyloft-cli verify` do. See profile_checks.h for what is checked.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "profile_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    keyloft::fuzz::CheckProfileFile(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
