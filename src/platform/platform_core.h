#pragma once
// The real implementations of the storage seams for this operating system.

#include <filesystem>
#include <memory>

#include "store/file_system.h"
#include "store/settings_store.h"

namespace keyloft::platform {

// Profile files with the hold between instances (advisory lock on POSIX).
std::unique_ptr<FileSystem> CreateHostFileSystem();
// Settings: $XDG_CONFIG_HOME/Corvane/Keyloft.conf (default ~/.config/Corvane/); the registry on Windows.
std::unique_ptr<SettingsStore> CreateUserSettingsStore();
// Settings kept in <folder>/Keyloft.conf (tests).
std::unique_ptr<SettingsStore> CreateSettingsStoreIn(const std::filesystem::path& folder);
// Folder of the running program file.
std::filesystem::path ApplicationFolder();

}  // namespace keyloft::platform
