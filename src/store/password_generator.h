#pragma once
// Random passwords for entries: seven characters, each drawn uniformly and independently from the
// 62 letters and digits, from the operating system's cryptographically secure random source.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace keyloft {

inline constexpr std::u16string_view kPasswordAlphabet =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
inline constexpr std::size_t kGeneratedPasswordLength = 7;

// A new password from the operating system's random source.
std::u16string GeneratePassword();

// The same drawing rule on a given source of uniformly distributed 32-bit words. Words that would
// favour the first characters of the alphabet are thrown away and drawn again (no modulo bias).
std::u16string GeneratePasswordFrom(const std::function<std::uint32_t()>& randomWord);

}  // namespace keyloft
