#pragma once
// The real implementations of the storage seams for this operating system.

#include <filesystem>
#include <functional>
#include <memory>

#include "store/file_system.h"
#include "store/settings_store.h"

namespace keyloft::platform {

// Test hooks of the host file system; the programs use none.
struct HostFileSystemHooks {
    // Runs after openHeld (or the passing hold of remove and rename) has opened a file and before
    // it takes the hold: a test replaces the file there to see that the hold is taken on what the
    // path names.
    std::function<void(const std::filesystem::path&)> betweenOpenAndHold;
    // Runs at each step that makes a save durable, with the file it acts on: "write" (bytes written
    // to a temporary file), "flush" (its content flushed to the disk), "rename" (put in place; the
    // new name) and "flush folder" (the folder's entries flushed; the folder). POSIX systems only.
    std::function<void(const char* step, const std::filesystem::path&)> onDurableStep;
};

// Profile files with the hold between instances (advisory lock on POSIX).
std::unique_ptr<FileSystem> CreateHostFileSystem(HostFileSystemHooks hooks = {});
// Settings: $XDG_CONFIG_HOME/Corvane/Keyloft.conf (default ~/.config/Corvane/); the registry on Windows.
std::unique_ptr<SettingsStore> CreateUserSettingsStore();
// Settings kept in <folder>/Keyloft.conf (tests).
std::unique_ptr<SettingsStore> CreateSettingsStoreIn(const std::filesystem::path& folder);
// Folder of the running program file.
std::filesystem::path ApplicationFolder();
// Keeps a crash from writing the process's memory (decrypted profiles, logon details) to disk.
void DisableCoreDumps();

}  // namespace keyloft::platform
