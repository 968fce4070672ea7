#pragma once
// Text and paths from the bytes of the terminal, arguments and imported files. The UTF-8 rules
// themselves are those of store/text_convert.h.

#include <filesystem>
#include <string>
#include <string_view>

#include "store/text_convert.h"  // FromUtf8, Utf8ToUtf16, Utf16ToUtf8, TrimBlanks

namespace keyloft {

std::u16string AsciiToUtf16(std::string_view ascii);

// A path from UTF-8 text (a command-line argument). On Windows a path built from a plain narrow
// string would read it in the ANSI code page instead.
std::filesystem::path PathFromUtf8(std::string_view text);

}  // namespace keyloft
