#include <system_error>

#include "platform/platform_core.h"

namespace keyloft::platform {

std::filesystem::path DefaultDatabaseFolder(
    const std::filesystem::path& programFolder,
    const std::function<bool(const std::filesystem::path&)>& mayCreateFilesIn) {
    if (mayCreateFilesIn(programFolder)) return programFolder;
    const std::filesystem::path folder = UserDataFolder();
    if (folder.empty()) return programFolder;
    // Every folder made on the way is the user's alone; one that exists is left as it is. A
    // failure shows later, naming this folder, when a profile is listed or saved.
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) {
        std::filesystem::path made;
        for (const std::filesystem::path& part : folder) {
            made /= part;
            if (std::filesystem::exists(made, error)) continue;
            if (!std::filesystem::create_directory(made, error)) break;
            std::filesystem::permissions(made, std::filesystem::perms::owner_all, error);
        }
    }
    return folder;
}

}  // namespace keyloft::platform
