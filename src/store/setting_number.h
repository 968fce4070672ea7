#pragma once
// The number at the start of a setting's text, read the same way by the window and the
// command-line tool.

#include <optional>
#include <string_view>

namespace keyloft {

// Leading blanks, an optional sign, digits and an optional fraction ("15", " 7.6", "12 minutes",
// "+.5"); whatever follows is ignored. Nothing when there is no digit. The decimal point is
// always '.', whatever the locale.
std::optional<double> LeadingNumber(std::u16string_view text);

}  // namespace keyloft
