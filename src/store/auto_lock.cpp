#include "store/auto_lock.h"

#include <algorithm>
#include <cmath>

#include "store/setting_number.h"

namespace keyloft {

std::optional<int> AutoLockMinutes(std::u16string_view timerSetting) {
    const std::optional<double> minutes = LeadingNumber(timerSetting);
    if (!minutes || !(*minutes > 0)) return std::nullopt;
    return static_cast<int>(std::clamp(std::lround(std::min(*minutes, 1000.0)), long{kFewestAutoLockMinutes},
                                       long{kMostAutoLockMinutes}));
}

}  // namespace keyloft
