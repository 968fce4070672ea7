#ifdef _WIN32

#include <windows.h>

#include <algorithm>

#include "platform/small_file.h"

namespace keyloft::platform {

SmallFile ReadSmallRegularFile(const std::filesystem::path& file, std::size_t maxBytes) {
    SmallFile result;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular =
        GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
    const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    if (!regular || size > maxBytes) {
        CloseHandle(h);
        result.outcome = SmallFile::Outcome::Refused;
        return result;
    }
    result.bytes.resize(maxBytes + 1);
    std::size_t done = 0;
    while (done < result.bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(result.bytes.size() - done, 1u << 20));
        if (!ReadFile(h, result.bytes.data() + done, chunk, &n, nullptr) || n == 0) {
            break;
        }
        done += n;
    }
    CloseHandle(h);
    result.bytes.resize(done > maxBytes ? 0 : done);
    result.outcome = done > maxBytes ? SmallFile::Outcome::Refused : SmallFile::Outcome::Read;
    return result;
}

}  // namespace keyloft::platform

#endif  // _WIN32
