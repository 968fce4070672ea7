// Where the settings file lives on POSIX systems.

#include <cstdlib>

#include "platform/platform_core.h"
#include "platform/settings_file.h"

namespace keyloft::platform {

std::unique_ptr<SettingsStore> CreateUserSettingsStore() {
    std::filesystem::path base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config != '\0' && std::filesystem::path(config).is_absolute()) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : "") / ".config";
    }
    return WithSeenProfilesIn(CreateSettingsStoreIn(base / "Corvane"), base / "Corvane");
}

}  // namespace keyloft::platform
