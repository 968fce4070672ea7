#ifdef _WIN32

#include "platform/file_handles_win.h"

#include <aclapi.h>

#include <iterator>
#include <random>

namespace keyloft::platform::win {

ErrorInfo ErrorFromWin32(DWORD code) {
    switch (code) {
        case ERROR_SUCCESS:
            return ErrorInfo::of(error::kPathFileAccess);
        case ERROR_FILE_NOT_FOUND:
            return ErrorInfo::of(error::kFileNotFound);
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return ErrorInfo::of(error::kPathNotFound);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return ErrorInfo::heldByOther();
        case ERROR_ACCESS_DENIED:
            return ErrorInfo::of(error::kPermissionDenied);
        case ERROR_WRITE_PROTECT:
            return ErrorInfo::of(error::kReadOnlyFileSystem);
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
            return ErrorInfo::of(error::kDeviceUnavailable);
        case ERROR_BUSY:
            return ErrorInfo::of(error::kBusy);
        case ERROR_CANT_RESOLVE_FILENAME:
            return ErrorInfo::of(error::kTooManyLinks);
        case ERROR_NETNAME_DELETED:
        case ERROR_UNEXP_NET_ERR:
        case ERROR_NETWORK_UNREACHABLE:
        case ERROR_SEM_TIMEOUT:
            return ErrorInfo::of(error::kNetworkFolderUnavailable);
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            return ErrorInfo::of(error::kNotSupported);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ErrorInfo::of(error::kDiskFull);
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return ErrorInfo::of(error::kFileAlreadyExists);
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BAD_PATHNAME:
            return ErrorInfo::of(error::kBadFileName);
        case ERROR_TOO_MANY_OPEN_FILES:
            return ErrorInfo::of(error::kTooManyFiles);
        case ERROR_NOT_SAME_DEVICE:
            return ErrorInfo::of(error::kRenameAcrossDrives);
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ErrorInfo::of(error::kOutOfMemory);
        case ERROR_CRC:
        case ERROR_IO_DEVICE:
            return ErrorInfo::of(error::kDeviceIo);
        default:
            return ErrorInfo::of(error::kPathFileAccess);
    }
}

ErrorInfo LastError() { return ErrorFromWin32(GetLastError()); }

bool IdOf(HANDLE h, FileId& id) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) {
        return false;
    }
    id = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    return true;
}

bool IdOfPath(const std::filesystem::path& file, FileId& id) {
    Handle probe(CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return probe.valid() && IdOf(probe.get(), id);
}

bool IsFolder(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool HeldElsewhere(const std::filesystem::path& file) {
    Handle probe(CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
    return !probe.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool EndsWithIgnoringCase(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() &&
           CompareStringOrdinal(text.data() + (text.size() - tail.size()), static_cast<int>(tail.size()),
                                tail.data(), static_cast<int>(tail.size()), TRUE) == CSTR_EQUAL;
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view head) {
    return text.size() >= head.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(head.size()), head.data(),
                                static_cast<int>(head.size()), TRUE) == CSTR_EQUAL;
}

std::filesystem::path FinalPathOf(HANDLE h) {
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    }
    if (n == 0 || n >= buffer.size()) {
        return {};
    }
    buffer.resize(n);
    // "\\?\C:\..." and "\\?\UNC\server\share\..." back to their ordinary forms.
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        buffer = L"\\\\" + buffer.substr(8);
    } else if (buffer.rfind(L"\\\\?\\", 0) == 0 && buffer.size() > 6 && buffer[5] == L':') {
        buffer = buffer.substr(4);
    }
    return std::filesystem::path(buffer);
}

std::filesystem::path FollowLinks(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return file;
    }
    Handle h(CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::filesystem::path final = h.valid() ? FinalPathOf(h.get()) : std::filesystem::path();
    return final.empty() ? file : final;
}

bool IsLink(const std::filesystem::path& file) {
    Handle h(CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_ATTRIBUTE_TAG_INFO info{};
    return h.valid() && GetFileInformationByHandleEx(h.get(), FileAttributeTagInfo, &info, sizeof info) &&
           (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsReparseTagNameSurrogate(info.ReparseTag);
}

bool OnlyOwnerMayChange(const std::filesystem::path& folder) {
    Handle h(CreateFileW(folder.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!h.valid() ||
        GetSecurityInfo(h.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    HANDLE token = nullptr;
    std::vector<unsigned char> user;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user.resize(size);
        if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
            user.clear();
        }
        CloseHandle(token);
    }
    const auto trusted = [&user](PSID sid) {
        if (!user.empty() && EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid)) {
            return true;
        }
        return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
               IsWellKnownSid(sid, WinCreatorOwnerSid);
    };
    constexpr ACCESS_MASK kChanges = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE |
                                     WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    // No access rules at all let everybody in.
    bool ok = owner != nullptr && trusted(owner) && dacl != nullptr;
    for (DWORD i = 0; ok && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            ok = false;
            break;
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) {
            continue;  // denials take rights away; rules for what is created later do not apply here
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        PSID sid = const_cast<PSID>(static_cast<const void*>(&allowed->SidStart));
        if ((allowed->Mask & kChanges) != 0 && !trusted(sid)) {
            ok = false;
        }
    }
    LocalFree(descriptor);
    return ok;
}

bool IsReadOnly(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(L".") : folder;
}

std::filesystem::path WithSuffix(std::filesystem::path file, const wchar_t* suffix) {
    file += suffix;
    return file;
}

bool RenameByHandle(HANDLE h, const std::filesystem::path& to, bool replaceExisting) {
    const std::wstring target = std::filesystem::absolute(to).wstring();
    const std::size_t bytes = sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t);
    std::vector<std::uint64_t> storage((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
    info->ReplaceIfExists = replaceExisting ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), info->FileName);
    return SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(bytes)) != FALSE;
}

bool DeleteByHandle(HANDLE h) {
    // FILE_DISPOSITION_INFO_EX of Windows 10 (1709), which the headers show only to newer targets.
    struct {
        ULONG flags = 0x1 | 0x2;  // FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS
    } now;
    constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
    if (SetFileInformationByHandle(h, kFileDispositionInfoEx, &now, sizeof now)) {
        return true;
    }
    FILE_DISPOSITION_INFO onClose{};
    onClose.DeleteFile = TRUE;
    return SetFileInformationByHandle(h, FileDispositionInfo, &onClose, sizeof onClose) != FALSE;
}

namespace {

std::wstring RandomTag() {
    static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // Not std::mt19937: Qt for Windows, built with GCC's interprocedural register allocation,
    // calls its own copy of that engine's refill assuming the registers that copy leaves alone,
    // and the linker may keep this file's copy instead (a page fault in QRandomGenerator).
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kLetters)) - 2);
    std::wstring tag(8, L'x');
    for (wchar_t& c : tag) {
        c = kLetters[pick(generator)];
    }
    return tag;
}

}  // namespace

std::filesystem::path TemporaryName(const std::filesystem::path& real) {
    return FolderOf(real) / (L"." + real.filename().wstring() + L"." + RandomTag() + kTemporarySuffix);
}

}  // namespace keyloft::platform::win

#endif  // _WIN32
