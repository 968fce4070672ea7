#pragma once
// The rule for profile names, checked by every entry point before a path is built from a name.

#include <string_view>

namespace keyloft {

// True when `name` can be a profile name: not empty; no control character and none of
// . \ / : * ? " < > |; and not a name that Windows keeps for a device (NUL, CON, PRN, AUX,
// COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, in any letter case, trailing blanks ignored), so
// that a profile made on one system opens on every other.
bool IsAcceptableProfileName(std::u16string_view name);

}  // namespace keyloft
