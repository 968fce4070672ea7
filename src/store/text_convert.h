#pragma once
// Conversions between the UTF-16 text of the core and the UTF-8 bytes of file names, the settings
// file and the error log. Invalid sequences become U+FFFD.

#include <optional>
#include <string>
#include <string_view>

namespace keyloft {

// U+FFFD, which stands for a character that could not be read.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends one character in UTF-16: a surrogate pair for a character outside the basic plane.
void AppendUtf16(std::u16string& out, char32_t c);

std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16, surrogate pairs for characters outside the basic plane. Overlong forms,
// encoded surrogates, values past U+10FFFF and cut sequences are invalid: each of their bytes
// becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view bytes);
// As Utf8ToUtf16, but nothing at all when any byte is invalid.
std::optional<std::u16string> FromUtf8(std::string_view bytes);
// Every byte becomes the code unit of the same value (hexadecimal lines, digits).
std::u16string WidenBytes(std::string_view bytes);
// Removes leading and trailing blanks (spaces only).
std::u16string_view TrimBlanks(std::u16string_view text);

}  // namespace keyloft
