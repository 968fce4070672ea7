#include "platform/owner_only_file.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "platform/access_rules_win.h"
#include "store/utf8_text.h"

namespace keyloft::platform {

// The file gets access rules that let in its user only, whatever the folder's rules would give it
// (a shared folder lets colleagues read what is made there): a new file is made with them, a file
// that was there gets them in place of its own. The file is opened once as itself (a link or other
// name-surrogate reparse point is not followed) and emptied only once it shows as an ordinary file
// with one name.
std::optional<std::string> WriteOwnerOnlyFile(const std::string& utf8Path, std::string_view bytes) {
    const std::filesystem::path path = PathFromUtf8(utf8Path);
    win::OwnerOnlySecurity ownerOnly;
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | WRITE_DAC, 0, ownerOnly.attributes(),
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string("cannot open the file");
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    std::optional<std::string> failure;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        failure = "it is not a regular file";
    else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        failure = "it is a link, which is not followed";
    else if (info.nNumberOfLinks != 1)
        failure = "it has other names (hard links), which could be another user's";
    else if (existed && !ownerOnly.applyTo(h))
        failure = "cannot make the file readable by its owner only";
    LARGE_INTEGER zero{};
    if (!failure && (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(h)))
        failure = "cannot empty the file";
    for (std::size_t done = 0; !failure && done < bytes.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            failure = "cannot write the file";
        done += written;
    }
    if (!failure && !FlushFileBuffers(h)) failure = "cannot write the file";
    CloseHandle(h);
    return failure;
}

}  // namespace keyloft::platform
