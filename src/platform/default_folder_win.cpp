#ifdef _WIN32

// windows.h first: the shell's headers need its macros.
#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "platform/platform_core.h"

namespace keyloft::platform {

bool MayCreateFilesIn(const std::filesystem::path& folder) {
    // Permissions here are access lists, and a folder's read-only flag means nothing for its
    // files: the one sure test is to create a file, which goes again when its handle closes.
    const std::filesystem::path probe =
        folder / (L".keyloft-write-test-" + std::to_wstring(GetCurrentProcessId()) + L".tmp");
    const HANDLE file =
        CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(file);
    return true;
}

std::filesystem::path UserDataFolder() {
    PWSTR roaming = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &roaming)))
        folder = std::filesystem::path(roaming) / L"Keyloft";
    CoTaskMemFree(roaming);
    return folder;
}

}  // namespace keyloft::platform

#endif  // _WIN32
