#pragma once
// The lines of the error log: "#2026-12-07 16:57:18#,"ReadFromFile","53","File not found"". The
// log lives in a folder that others may share, and its fields carry names that others chose (file
// names, profile names): every field is escaped so that one entry is always one line of plain
// text, and cut so that no line grows without bound.

#include <cstddef>
#include <string>
#include <string_view>

#include "store/clock.h"

namespace keyloft {

// The longest a field of a log line gets (UTF-16 code units, after escaping); a longer one is
// cut there and ends in "...".
inline constexpr std::size_t kMaxLogFieldLength = 1000;

// Control characters become escapes: "\r", "\n", "\t" and "\xHH" for the other C0 and C1
// controls and DEL, "\uHHHH" for the line and paragraph separators and the marks that turn the
// direction of text. Everything else, double quotes and backslashes included, stays as it is.
std::u16string EscapeLogField(std::u16string_view text);

// One entry with its line ending: the date and time between "#" signs (only the date at exactly
// midnight), then operation, number and description, each escaped and between double quotes.
std::u16string ErrorLogLine(const LocalTime& now, std::u16string_view operation, std::u16string_view number,
                            std::u16string_view description);

}  // namespace keyloft
