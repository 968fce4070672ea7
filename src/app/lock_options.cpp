#include "app/lock_options.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <string>

#include "store/profile_store.h"
#include "store/setting_number.h"

namespace keyloft {

int ReadSetting(ProfileStore& store, const NumberSetting& setting) {
    std::u16string value;
    if (!store.folder().readSetting(setting.name, value)) return setting.defaultValue;
    const std::optional<double> number = LeadingNumber(value);
    if (!number) return setting.defaultValue;
    const double kept =
        std::clamp(*number, static_cast<double>(setting.least), static_cast<double>(setting.most));
    return static_cast<int>(std::lround(kept));
}

bool ReadSetting(ProfileStore& store, const SwitchSetting& setting) {
    std::u16string value;
    if (!store.folder().readSetting(setting.name, value)) return setting.defaultValue;
    const std::optional<double> number = LeadingNumber(value);
    return number ? *number != 0 : setting.defaultValue;
}

void WriteSetting(ProfileStore& store, const NumberSetting& setting, int value) {
    const int kept = std::clamp(value, setting.least, setting.most);
    (void)store.folder().writeSetting(setting.name, QString::number(kept).toStdU16String());
}

void WriteSetting(ProfileStore& store, const SwitchSetting& setting, bool value) {
    (void)store.folder().writeSetting(setting.name, value ? u"1" : u"0");
}

LockOptions LockOptions::read(ProfileStore& store) {
    return {ReadSetting(store, kClearClipboardSetting), ReadSetting(store, kLockOnScreenLockSetting),
            ReadSetting(store, kLockOnMinimizeSetting)};
}

void LockOptions::write(ProfileStore& store) const {
    WriteSetting(store, kClearClipboardSetting, clearClipboardSeconds);
    WriteSetting(store, kLockOnScreenLockSetting, lockOnScreenLock);
    WriteSetting(store, kLockOnMinimizeSetting, lockOnMinimize);
}

}  // namespace keyloft
