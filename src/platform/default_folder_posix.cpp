#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

// The home folder: $HOME, else the user database's entry for this user.
std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return {};
}

}  // namespace

bool MayCreateFilesIn(const std::filesystem::path& folder) {
    // Creating a file takes write and search permission on the folder; a read-only mount refuses too.
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::filesystem::path UserDataFolder() {
    // A relative $XDG_DATA_HOME does not count, as the base-directory rules say.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
        return std::filesystem::path(data) / "keyloft";
    const std::filesystem::path home = HomeFolder();
    if (home.empty()) return {};
    return home / ".local" / "share" / "keyloft";
}

}  // namespace keyloft::platform
