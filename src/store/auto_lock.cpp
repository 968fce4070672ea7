#include "store/auto_lock.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace keyloft {

std::optional<int> AutoLockMinutes(std::u16string_view timerSetting) {
    std::size_t i = 0;
    while (i < timerSetting.size() && timerSetting[i] == u' ') ++i;
    std::string number;
    if (i < timerSetting.size() && (timerSetting[i] == u'-' || timerSetting[i] == u'+'))
        number += static_cast<char>(timerSetting[i++]);
    bool digits = false;
    const auto takeDigits = [&] {
        for (; i < timerSetting.size() && timerSetting[i] >= u'0' && timerSetting[i] <= u'9'; ++i) {
            number += static_cast<char>(timerSetting[i]);
            digits = true;
        }
    };
    takeDigits();
    if (i < timerSetting.size() && timerSetting[i] == u'.') {
        number += '.';
        ++i;
        takeDigits();
    }
    if (!digits) return std::nullopt;
    const double minutes = std::strtod(number.c_str(), nullptr);
    if (!(minutes > 0)) return std::nullopt;
    return static_cast<int>(std::clamp(std::lround(std::min(minutes, 1000.0)), long{kFewestAutoLockMinutes},
                                       long{kMostAutoLockMinutes}));
}

}  // namespace keyloft
