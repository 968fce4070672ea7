#pragma once
// Text conversions between the UTF-16 of the profile and UTF-8 (the terminal, imported files).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/text_convert.h"  // Utf16ToUtf8, TrimBlanks

namespace keyloft {

// UTF-8 to UTF-16, surrogate pairs for characters outside the basic plane. Nothing when the bytes
// are not valid UTF-8 (overlong forms, encoded surrogates and values past U+10FFFF included).
std::optional<std::u16string> FromUtf8(std::string_view text);

// As FromUtf8, with every invalid sequence replaced by U+FFFD.
std::u16string FromUtf8Lenient(std::string_view text);

std::u16string AsciiToUtf16(std::string_view ascii);

// A path from UTF-8 text (a command-line argument). On Windows a path built from a plain narrow
// string would read it in the ANSI code page instead.
std::filesystem::path PathFromUtf8(std::string_view text);

}  // namespace keyloft
