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
static_assert(kPasswordAlphabetWithSymbols.starts_with(kPasswordAlphabet));
static_assert(kPasswordAlphabetWithSymbols.find(u'|') == std::u16string_view::npos);
static_assert(kPasswordAlphabetWithSymbols.size() == 62 + 31);  // 32 punctuation marks, less "|"

}  // namespace

std::u16string GeneratePasswordFrom(const PasswordOptions& options,
                                    const std::function<std::uint32_t()>& randomWord) {
    if (options.length < kMinGeneratedLength || options.length > kMaxGeneratedLength)
        throw std::out_of_range("generated password length must be 4 to 128");
    const std::u16string_view alphabet = options.symbols ? kPasswordAlphabetWithSymbols : kPasswordAlphabet;
    constexpr std::uint64_t range = std::uint64_t{1} << 32;
    const std::uint64_t size = alphabet.size();
    // The largest multiple of the alphabet size that fits in 32 bits: words at or above it are
    // drawn again, so every character is equally likely.
    const std::uint64_t limit = range - range % size;

    std::u16string result;
    result.reserve(options.length);
    while (result.size() < options.length) {
        const std::uint64_t word = randomWord();
        if (word >= limit) continue;
        result.push_back(alphabet[static_cast<std::size_t>(word % size)]);
    }
    return result;
}

std::u16string GeneratePasswordFrom(const std::function<std::uint32_t()>& randomWord) {
    return GeneratePasswordFrom(PasswordOptions{}, randomWord);
}

std::u16string GeneratePassword(const PasswordOptions& options) {
    std::random_device& device = SystemRandom();
    return GeneratePasswordFrom(options, [&device] { return static_cast<std::uint32_t>(device()); });
}

std::u16string GeneratePassword() { return GeneratePassword(PasswordOptions{}); }

}  // namespace keyloft
