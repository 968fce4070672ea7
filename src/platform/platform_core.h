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

// Whether this user may create files in the folder (the program's folder of an installed copy,
// such as /usr/bin or C:\Program Files\Keyloft, is not; a build tree or a portable copy is).
bool MayCreateFilesIn(const std::filesystem::path& folder);
// The user's own folder for the program's data: $XDG_DATA_HOME/keyloft, else
// ~/.local/share/keyloft; %APPDATA%\Keyloft on Windows. Not created here.
std::filesystem::path UserDataFolder();
// The database folder when the "Database" setting names none, for the window and the tool alike:
// the program's folder while this user may create files in it, as ever; otherwise the user's data
// folder, created readable by its owner only when it is missing. `mayCreateFilesIn` is the test
// above (tests replace it).
std::filesystem::path DefaultDatabaseFolder(
    const std::filesystem::path& programFolder,
    const std::function<bool(const std::filesystem::path&)>& mayCreateFilesIn = MayCreateFilesIn);
// Keeps a crash from writing the process's memory (decrypted profiles, logon details) to disk.
void DisableCoreDumps();

}  // namespace keyloft::platform
