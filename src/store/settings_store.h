#pragma once
// The settings seam: named text settings shared by all profiles ("Database", "Timer").
// Implemented in platform/ (a file under the user's configuration folder; the registry on Windows).

#include <string>
#include <string_view>

namespace keyloft {

inline constexpr char16_t kSettingDatabase[] = u"Database";
inline constexpr char16_t kSettingTimer[] = u"Timer";

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // True when the setting could be looked up; value is then its text (empty when it has none).
    // False when it could not be; value is then unchanged.
    virtual bool read(std::u16string_view name, std::u16string& value) = 0;
    // True when the value was stored.
    virtual bool write(std::u16string_view name, std::u16string_view value) = 0;
};

}  // namespace keyloft
