#pragma once
// Random passwords for entries, each character drawn uniformly and independently from an alphabet,
// from the operating system's cryptographically secure random source. The window's generator
// makes seven letters and digits; the command-line tool may ask for another length and for symbols.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace keyloft {

inline constexpr std::u16string_view kPasswordAlphabet =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// The letters and digits, then every printable ASCII punctuation character except "|", which
// separates the fields of a stored record. No blank: entry fields are trimmed.
inline constexpr std::u16string_view kPasswordAlphabetWithSymbols =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
    u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{}~";
inline constexpr std::size_t kGeneratedPasswordLength = 7;
inline constexpr std::size_t kMinGeneratedLength = 4;
inline constexpr std::size_t kMaxGeneratedLength = 128;

struct PasswordOptions {
    std::size_t length = kGeneratedPasswordLength;  // kMinGeneratedLength to kMaxGeneratedLength
    bool symbols = false;                           // draw from kPasswordAlphabetWithSymbols
};

// A new password from the operating system's random source: the window's seven letters and digits.
std::u16string GeneratePassword();
// The same with another length or alphabet; std::out_of_range for a length outside 4 to 128.
std::u16string GeneratePassword(const PasswordOptions& options);

// The same drawing rule on a given source of uniformly distributed 32-bit words. Words that would
// favour the first characters of the alphabet are thrown away and drawn again (no modulo bias).
std::u16string GeneratePasswordFrom(const std::function<std::uint32_t()>& randomWord);
std::u16string GeneratePasswordFrom(const PasswordOptions& options,
                                    const std::function<std::uint32_t()>& randomWord);

}  // namespace keyloft
