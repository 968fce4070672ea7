#include "store/password_generator.h"

#include <limits>
#include <random>
#include <stdexcept>

namespace keyloft {
namespace {

// std::random_device reads the kernel's random source when asked for it by name; "default" is the
// library's own choice of a non-deterministic source and is the last resort.
std::random_device& SystemRandom() {
    static std::random_device device = [] {
        for (const char* token : {"getentropy", "/dev/urandom"}) {
            try {
                return std::random_device(token);
            } catch (const std::exception&) {
            }
        }
        return std::random_device();
    }();
    return device;
}

static_assert(sizeof(std::random_device::result_type) == sizeof(std::uint32_t));

}  // namespace

std::u16string GeneratePasswordFrom(const std::function<std::uint32_t()>& randomWord) {
    constexpr std::uint64_t range = std::uint64_t{1} << 32;
    constexpr std::uint64_t size = kPasswordAlphabet.size();
    // The largest multiple of the alphabet size that fits in 32 bits: words at or above it are
    // drawn again, so every character is equally likely.
    constexpr std::uint64_t limit = range - range % size;

    std::u16string result;
    result.reserve(kGeneratedPasswordLength);
    while (result.size() < kGeneratedPasswordLength) {
        const std::uint64_t word = randomWord();
        if (word >= limit) continue;
        result.push_back(kPasswordAlphabet[static_cast<std::size_t>(word % size)]);
    }
    return result;
}

std::u16string GeneratePassword() {
    std::random_device& device = SystemRandom();
    return GeneratePasswordFrom([&device] { return static_cast<std::uint32_t>(device()); });
}

}  // namespace keyloft
