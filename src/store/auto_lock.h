#pragma once
// The auto-lock time that the "Timer" setting gives: a number of minutes at the start of its text
// ("15", " 7.6", "12 minutes"); over 0 turns auto-lock on, rounded and kept within 5 to 60.

#include <optional>
#include <string_view>

namespace keyloft {

inline constexpr int kFewestAutoLockMinutes = 5;
inline constexpr int kMostAutoLockMinutes = 60;

// The minutes, or nothing when the setting leaves auto-lock off (no number, 0 or less).
std::optional<int> AutoLockMinutes(std::u16string_view timerSetting);

}  // namespace keyloft
