#pragma once
// The user's choices of when the window locks by itself besides auto-lock, and how long copied
// text stays on the clipboard. They are settings of the user (not of a profile), each with its
// name and default declared here once; the setup view shows and changes them, its Save writes
// them.

#include <string_view>

namespace keyloft {

class ProfileStore;

// A whole number setting, kept within `least` to `most`.
struct NumberSetting {
    std::u16string_view name;
    int defaultValue;
    int least;
    int most;
};

// An on/off setting, stored as "1" or "0".
struct SwitchSetting {
    std::u16string_view name;
    bool defaultValue;
};

// "Clear copied text after N seconds": 0 keeps it until something else is copied.
inline constexpr NumberSetting kClearClipboardSetting{u"ClearClipboardSeconds", 30, 0, 3600};
// Lock when the desktop locks the screen.
inline constexpr SwitchSetting kLockOnScreenLockSetting{u"LockOnScreenLock", true};
// Lock when the window is parked or minimized.
inline constexpr SwitchSetting kLockOnMinimizeSetting{u"LockOnMinimize", false};

// A setting's value, or its default when it is missing or not a number.
int ReadSetting(ProfileStore& store, const NumberSetting& setting);
bool ReadSetting(ProfileStore& store, const SwitchSetting& setting);
void WriteSetting(ProfileStore& store, const NumberSetting& setting, int value);
void WriteSetting(ProfileStore& store, const SwitchSetting& setting, bool value);

struct LockOptions {
    int clearClipboardSeconds = kClearClipboardSetting.defaultValue;
    bool lockOnScreenLock = kLockOnScreenLockSetting.defaultValue;
    bool lockOnMinimize = kLockOnMinimizeSetting.defaultValue;

    static LockOptions read(ProfileStore& store);
    void write(ProfileStore& store) const;
};

}  // namespace keyloft
