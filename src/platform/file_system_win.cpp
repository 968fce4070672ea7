// Profile files on Windows.
//
// The hold is the share mode: a held file is open with no sharing at all, so no other instance
// can open it for reading, writing or deletion, nor rename or delete it, until the handle is
// closed. Opening checks the share modes and takes the hold in one step, and a file open without
// FILE_SHARE_DELETE cannot be renamed or deleted, so the file held is always the one the path
// names. The holder renames and deletes its own files through its handles (opened with DELETE
// access); each FileSystem object keeps a registry of the files it holds, found by file identity.
//
// A save keeps the backup protocol here: install renames the held old file to "<name>.dat.bak"
// through the holder's handle, renames the temporary file to the profile name and deletes the
// backup. On a failure it puts back the backup that it made itself, and only that one.
//
// Temporary files are ".<name>.dat.<8 letters or digits>.tmp" beside their target, named as on
// POSIX systems so that either system recognises what an interrupted save of the other left.

#ifdef _WIN32

#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

constexpr wchar_t kBackupSuffix[] = L".bak";
// Looks at a missing profile takes before it counts as missing (another save may be between its
// renames).
constexpr int kMissingAttempts = 3;
constexpr wchar_t kTemporarySuffix[] = L".tmp";
constexpr std::size_t kWriteBufferSize = 1 << 16;

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

class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void reset() {
        if (valid()) {
            CloseHandle(h_);
        }
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

struct FileId {
    DWORD volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileId&) const = default;
};

bool IdOf(HANDLE h, FileId& id) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) {
        return false;
    }
    id = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    return true;
}

// The identity of the file a path names, without disturbing anyone's hold (no data or delete
// access is asked for, so share modes do not apply).
bool IdOfPath(const std::filesystem::path& file, FileId& id) {
    Handle probe(CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return probe.valid() && IdOf(probe.get(), id);
}

bool IsFolder(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when another instance holds the file: asking for delete access is refused by its share mode.
bool HeldElsewhere(const std::filesystem::path& file) {
    Handle probe(CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    return !probe.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool EndsWithIgnoringCase(std::wstring_view text, std::wstring_view tail) {
    return text.size() >= tail.size() &&
           CompareStringOrdinal(text.data() + (text.size() - tail.size()), static_cast<int>(tail.size()), tail.data(),
                                static_cast<int>(tail.size()), TRUE) == CSTR_EQUAL;
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view head) {
    return text.size() >= head.size() &&
           CompareStringOrdinal(text.data(), static_cast<int>(head.size()), head.data(), static_cast<int>(head.size()),
                                TRUE) == CSTR_EQUAL;
}

// The file a path finally names when it is a symbolic link (or another reparse point that Windows
// follows on opening); the path itself otherwise, or when it names nothing yet.
std::filesystem::path FollowLinks(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return file;
    }
    Handle h(CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.valid()) {
        return file;
    }
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetFinalPathNameByHandleW(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    }
    if (n == 0 || n >= buffer.size()) {
        return file;
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

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(L".") : folder;
}

std::filesystem::path WithSuffix(std::filesystem::path file, const wchar_t* suffix) {
    file += suffix;
    return file;
}

// Renames the file open as `h` (with DELETE access).
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

// Deletes the file open as `h` (with DELETE access): at once where the file system supports it,
// else when the last handle is closed (which ends the hold as well).
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

std::wstring RandomTag() {
    static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kLetters)) - 2);
    std::wstring tag(8, L'x');
    for (wchar_t& c : tag) {
        c = kLetters[pick(generator)];
    }
    return tag;
}

// "<folder>\.<name>.<tag>.tmp" for the file `real`.
std::filesystem::path TemporaryName(const std::filesystem::path& real) {
    return FolderOf(real) / (L"." + real.filename().wstring() + L"." + RandomTag() + kTemporarySuffix);
}

// ---------------------------------------------------------------------------------------------
// The files one FileSystem object holds, shared with its open files.

struct HeldFile {
    Handle handle;
    FileId id;
    explicit HeldFile(HANDLE h) : handle(h) { IdOf(h, id); }
};

class HoldRegistry {
public:
    void add(const std::shared_ptr<HeldFile>& file) {
        std::lock_guard lock(mutex_);
        held_.push_back(file);
    }
    void remove(const HeldFile* file) {
        std::lock_guard lock(mutex_);
        held_.erase(std::remove_if(held_.begin(), held_.end(),
                                   [file](const std::weak_ptr<HeldFile>& w) {
                                       const auto p = w.lock();
                                       return !p || p.get() == file;
                                   }),
                    held_.end());
    }
    // The held file that the path names, if this object holds it.
    std::shared_ptr<HeldFile> find(const std::filesystem::path& file) const {
        FileId id;
        if (!IdOfPath(file, id)) {
            return nullptr;
        }
        std::lock_guard lock(mutex_);
        for (const auto& w : held_) {
            if (auto p = w.lock(); p && p->id == id) {
                return p;
            }
        }
        return nullptr;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::weak_ptr<HeldFile>> held_;
};

class WinReadableFile final : public ReadableFile {
public:
    WinReadableFile(std::shared_ptr<HeldFile> file, std::shared_ptr<HoldRegistry> registry)
        : file_(std::move(file)), registry_(std::move(registry)) {
        registry_->add(file_);
    }
    ~WinReadableFile() override { registry_->remove(file_.get()); }

    HANDLE handle() const { return file_->handle.get(); }
    FileId id() const { return file_->id; }

    bool readLine(std::string& line, ErrorInfo& error, std::size_t maxLength) override {
        line.clear();
        error = ErrorInfo::none();
        bool any = false;
        while (true) {
            if (pos_ == size_) {
                if (!fill(error)) {
                    return any && !error.failed();
                }
            }
            if (pendingLf_) {
                pendingLf_ = false;
                if (buffer_[pos_] == '\n') {
                    ++pos_;
                    continue;
                }
            }
            const char* start = buffer_ + pos_;
            const char* end = buffer_ + size_;
            const char* stop = std::find_if(start, end, [](char c) { return c == '\r' || c == '\n'; });
            if (static_cast<std::size_t>(stop - start) > maxLength - line.size()) {
                line.clear();
                pos_ = static_cast<std::size_t>(stop - buffer_);
                error = ErrorInfo::of(error::kInputPastEnd);
                return false;
            }
            line.append(start, stop);
            any = true;
            pos_ = static_cast<std::size_t>(stop - buffer_);
            if (stop != end) {
                pendingLf_ = *stop == '\r';
                ++pos_;
                return true;
            }
        }
    }

    ErrorInfo rewind() override {
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(handle(), zero, nullptr, FILE_BEGIN)) {
            return LastError();
        }
        pos_ = size_ = 0;
        pendingLf_ = false;
        return ErrorInfo::none();
    }

private:
    bool fill(ErrorInfo& error) {
        DWORD n = 0;
        if (!ReadFile(handle(), buffer_, sizeof buffer_, &n, nullptr)) {
            error = LastError();
            return false;
        }
        pos_ = 0;
        size_ = n;
        return n > 0;
    }

    std::shared_ptr<HeldFile> file_;
    std::shared_ptr<HoldRegistry> registry_;
    char buffer_[65536];
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    bool pendingLf_ = false;
};

class WinWritableFile final : public WritableFile {
public:
    WinWritableFile(std::shared_ptr<HeldFile> file, std::shared_ptr<HoldRegistry> registry)
        : file_(std::move(file)), registry_(std::move(registry)) {
        registry_->add(file_);
        buffer_.reserve(kWriteBufferSize + 256);
    }
    // Not installed: the temporary file goes.
    ~WinWritableFile() override {
        if (file_) {
            DeleteByHandle(file_->handle.get());
            registry_->remove(file_.get());
        }
    }

    ErrorInfo writeLine(std::string_view text) override {
        if (failed_.failed()) {
            return failed_;
        }
        buffer_.append(text);
        buffer_ += "\r\n";
        return buffer_.size() >= kWriteBufferSize ? writeBuffer() : ErrorInfo::none();
    }

    ErrorInfo flush() override {
        if (ErrorInfo result = writeBuffer(); result.failed()) {
            return result;
        }
        if (!FlushFileBuffers(file_->handle.get())) {
            return LastError();
        }
        return ErrorInfo::none();
    }

    HANDLE handle() const { return file_->handle.get(); }

    // For install: the held file, which leaves this object.
    std::shared_ptr<HeldFile> release() {
        registry_->remove(file_.get());
        return std::exchange(file_, nullptr);
    }

private:
    ErrorInfo writeBuffer() {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(buffer_.size() - done, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file_->handle.get(), buffer_.data() + done, chunk, &written, nullptr) || written == 0) {
                failed_ = LastError();
                buffer_.clear();
                return failed_;
            }
            done += written;
        }
        buffer_.clear();
        return ErrorInfo::none();
    }

    std::shared_ptr<HeldFile> file_;
    std::shared_ptr<HoldRegistry> registry_;
    std::string buffer_;
    ErrorInfo failed_;
};

// ---------------------------------------------------------------------------------------------
// Access rules of new files.

// A security descriptor whose DACL grants the current user everything and nobody else anything,
// with inheritance from the folder blocked.
class OwnerOnlySecurity {
public:
    OwnerOnlySecurity() {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
            return;
        }
        Handle owned(raw);
        DWORD size = 0;
        GetTokenInformation(owned.get(), TokenUser, nullptr, 0, &size);
        user_.resize(size);
        if (size == 0 || !GetTokenInformation(owned.get(), TokenUser, user_.data(), size, &size)) {
            return;
        }
        PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
        const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
        acl_.resize(aclSize / sizeof(std::uint64_t) + 1);
        auto* acl = reinterpret_cast<ACL*>(acl_.data());
        if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
            !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
            !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
            return;
        }
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
        ready_ = true;
    }
    SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }

private:
    std::vector<unsigned char> user_;
    std::vector<std::uint64_t> acl_;  // ACL storage, aligned
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

// Gives `to` the access rules (DACL, and the group where permitted) of the file open as `from`.
ErrorInfo CopyAccessRules(HANDLE from, HANDLE to) {
    PACL dacl = nullptr;
    PSID group = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = GetSecurityInfo(from, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION,
                                     nullptr, &group, &dacl, nullptr, &descriptor);
    if (rc != ERROR_SUCCESS) {
        return ErrorFromWin32(rc);
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    // A protected DACL is copied as it is; an inheriting one gets the folder's inherited entries anew.
    const SECURITY_INFORMATION protection =
        (control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
    DWORD result = SetSecurityInfo(to, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr, nullptr,
                                   dacl, nullptr);
    if (result == ERROR_SUCCESS && group != nullptr) {
        // Only groups the user belongs to can be set; otherwise the file keeps the user's own.
        SetSecurityInfo(to, SE_FILE_OBJECT, GROUP_SECURITY_INFORMATION, nullptr, group, nullptr, nullptr);
    }
    LocalFree(descriptor);
    return result == ERROR_SUCCESS ? ErrorInfo::none() : ErrorFromWin32(result);
}

// ---------------------------------------------------------------------------------------------

class WinFileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) override {
        if (IsFolder(file)) {
            error = ErrorInfo::of(error::kNotRegularFile);
            return nullptr;
        }
        HANDLE h = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < kMissingAttempts && h == INVALID_HANDLE_VALUE; ++attempt) {
            h = CreateFileW(file.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                break;
            }
            const DWORD code = GetLastError();
            if (code != ERROR_FILE_NOT_FOUND) {
                error = ErrorFromWin32(code);
                return nullptr;
            }
            // Missing while another instance holds its backup: that instance's save is between
            // its two renames, and the file is back in a moment.
            if (HeldElsewhere(WithSuffix(file, kBackupSuffix))) {
                error = ErrorInfo::heldByOther();
                return nullptr;
            }
            // No backup (any more): either the file is gone, or that save has just finished and
            // the new file is in place; a second look tells.
        }
        if (h == INVALID_HANDLE_VALUE) {
            error = ErrorFromWin32(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        auto held = std::make_shared<HeldFile>(h);
        // A device or pipe reached through a link: nothing is read from it.
        if (GetFileType(h) != FILE_TYPE_DISK) {
            error = ErrorInfo::of(error::kNotRegularFile);
            return nullptr;
        }
        error = ErrorInfo::none();
        return std::make_unique<WinReadableFile>(std::move(held), registry_);
    }

    bool namesOtherFile(const std::filesystem::path& file, const ReadableFile& held) override {
        const auto* open = dynamic_cast<const WinReadableFile*>(&held);
        FileId id;
        if (open == nullptr || !IdOfPath(file, id)) {
            return false;
        }
        return !(id == open->id());
    }

    std::unique_ptr<WritableFile> createTemporary(const std::filesystem::path& target, const ReadableFile* like,
                                                  ErrorInfo& error) override {
        const std::filesystem::path real = FollowLinks(target);
        const auto* model = dynamic_cast<const WinReadableFile*>(like);
        if (like != nullptr && model == nullptr) {
            error = ErrorInfo::of(error::kBadFileNameOrNumber);
            return nullptr;
        }
        OwnerOnlySecurity ownerOnly;
        for (int attempt = 0; attempt < 10; ++attempt) {
            const std::filesystem::path name = TemporaryName(real);
            HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, 0,
                                   ownerOnly.attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                if (GetLastError() == ERROR_FILE_EXISTS) {
                    continue;
                }
                error = LastError();
                return nullptr;
            }
            auto file = std::make_shared<HeldFile>(h);
            auto result = std::make_unique<WinWritableFile>(file, registry_);
            if (model != nullptr) {
                if (ErrorInfo copied = CopyAccessRules(model->handle(), h); copied.failed()) {
                    error = copied;
                    return nullptr;  // the temporary file is deleted with `result`
                }
            }
            error = ErrorInfo::none();
            return result;
        }
        error = ErrorInfo::of(error::kFileAlreadyExists);
        return nullptr;
    }

    std::unique_ptr<ReadableFile> install(std::unique_ptr<WritableFile> temporary, const std::filesystem::path& target,
                                          bool replaceExisting, ErrorInfo& error) override {
        auto* own = dynamic_cast<WinWritableFile*>(temporary.get());
        if (own == nullptr) {
            error = ErrorInfo::of(error::kBadFileNameOrNumber);
            return nullptr;
        }
        // A new file takes the name itself: whatever bears it already, a link included, stays.
        const std::filesystem::path real = replaceExisting ? FollowLinks(target) : target;
        const DWORD attributes = GetFileAttributesW(real.c_str());
        const bool targetExists = attributes != INVALID_FILE_ATTRIBUTES;
        if (!targetExists || !replaceExisting) {
            if (targetExists) {
                error = ErrorInfo::of(error::kFileAlreadyExists);
                return nullptr;
            }
            if (!RenameByHandle(own->handle(), real, false)) {
                error = LastError();
                return nullptr;
            }
            return installed(*own, error);
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            error = ErrorInfo::of(error::kPathFileAccess);
            return nullptr;
        }

        // The old file, held by this object (the saver) or taken now.
        std::shared_ptr<HeldFile> old = registry_->find(real);
        if (!old) {
            HANDLE h = CreateFileW(real.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                error = LastError();
                return nullptr;
            }
            old = std::make_shared<HeldFile>(h);
        }
        const std::filesystem::path backup = WithSuffix(real, kBackupSuffix);
        if (!RenameByHandle(old->handle.get(), backup, false)) {
            // A backup that this save did not make is left alone (a load recovers it).
            error = LastError();
            return nullptr;
        }
        if (!RenameByHandle(own->handle(), real, false)) {
            error = LastError();
            // Put back the backup made just now; the temporary file goes with `temporary`.
            RenameByHandle(old->handle.get(), real, false);
            return nullptr;
        }
        // The new file is in place; the old one goes when its last handle closes (the saver's hold).
        DeleteByHandle(old->handle.get());
        return installed(*own, error);
    }

    // Nothing to do: Windows offers no flush of a folder's entries to programs without
    // administrator rights, and the rename is already recorded in the file system's journal.
    ErrorInfo flushFolder(const std::filesystem::path&) override { return ErrorInfo::none(); }

    std::vector<std::filesystem::path> removeLeftovers(const std::filesystem::path& target) override {
        std::vector<std::filesystem::path> removed;
        const std::filesystem::path real = FollowLinks(target);
        const std::wstring prefix = L"." + real.filename().wstring() + L".";
        forEachName(FolderOf(real), [&](const WIN32_FIND_DATAW& data) {
            const std::wstring_view name(data.cFileName);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || name.size() <= prefix.size() + 4 ||
                !StartsWithIgnoringCase(name, prefix) || !EndsWithIgnoringCase(name, kTemporarySuffix)) {
                return;
            }
            // A temporary file that an instance is still writing is open without sharing.
            if (DeleteFileW((FolderOf(real) / std::wstring(name)).c_str())) {
                removed.emplace_back(std::wstring(name));
            }
        });
        std::sort(removed.begin(), removed.end());
        return removed;
    }

    ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replaceExisting) override {
        const std::shared_ptr<HeldFile> mine = registry_->find(from);
        if (!mine) {
            if (MoveFileExW(from.c_str(), to.c_str(), replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0)) {
                return ErrorInfo::none();
            }
            return explained(GetLastError(), from, to);
        }
        if (!replaceExisting && GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return ErrorInfo::of(error::kFileAlreadyExists);
        }
        if (replaceExisting) {
            // A file that this object holds under the new name is deleted first: an open file
            // cannot be replaced.
            if (const std::shared_ptr<HeldFile> replaced = registry_->find(to); replaced && replaced != mine) {
                if (ErrorInfo gone = removeHeld(*replaced, to); gone.failed()) {
                    return gone;
                }
            }
        }
        if (!RenameByHandle(mine->handle.get(), to, replaceExisting)) {
            return explained(GetLastError(), from, to);
        }
        return ErrorInfo::none();
    }

    ErrorInfo remove(const std::filesystem::path& file) override {
        if (const std::shared_ptr<HeldFile> mine = registry_->find(file)) {
            return removeHeld(*mine, file);
        }
        if (DeleteFileW(file.c_str())) {
            return ErrorInfo::none();
        }
        return explained(GetLastError(), file, file);
    }

    bool exists(const std::filesystem::path& file) override {
        const DWORD attributes = GetFileAttributesW(file.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    // The attributes of a link are its own: a link that leads nowhere still takes the name.
    bool nameTaken(const std::filesystem::path& file) override {
        return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::vector<std::filesystem::path> listProfileFiles(const std::filesystem::path& folder) override {
        // Every name is read and its real suffix checked: a "*.dat" pattern would also match
        // names such as "c.datx", whose generated 8.3 short names end in ".DAT".
        std::vector<std::wstring> found;
        forEachName(folder, [&](const WIN32_FIND_DATAW& data) {
            const std::wstring_view name(data.cFileName);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && EndsWithIgnoringCase(name, L".dat")) {
                found.emplace_back(name);
            }
        });
        std::sort(found.begin(), found.end());
        std::vector<std::filesystem::path> names;
        names.reserve(found.size());
        for (std::wstring& name : found) {
            names.emplace_back(std::move(name));
        }
        return names;
    }

    // A new log file gets the folder's inherited access rules: whoever may write in a shared
    // folder may add to its log (it holds no secrets). A link (or any other reparse point) is
    // opened as itself, not followed, and left alone; so is anything but a file with one name.
    bool appendText(const std::filesystem::path& file, std::string_view text) override {
        Handle h(CreateFileW(file.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!h.valid()) {
            return false;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileType(h.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(h.get(), &info) ||
            (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
            info.nNumberOfLinks != 1) {
            return false;
        }
        DWORD written = 0;
        return WriteFile(h.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
    }

private:
    std::unique_ptr<ReadableFile> installed(WinWritableFile& file, ErrorInfo& error) {
        std::shared_ptr<HeldFile> held = file.release();
        auto result = std::make_unique<WinReadableFile>(std::move(held), registry_);
        error = result->rewind();
        return error.failed() ? nullptr : std::move(result);
    }

    // Deletes a file held here: its name is moved out of the way first, so the name is free at
    // once even where the deletion waits for the handle to close.
    ErrorInfo removeHeld(HeldFile& file, const std::filesystem::path& path) {
        const std::filesystem::path aside = TemporaryName(FollowLinks(path));
        if (!RenameByHandle(file.handle.get(), aside, false) || !DeleteByHandle(file.handle.get())) {
            return LastError();
        }
        return ErrorInfo::none();
    }

    // A refused rename or deletion: another instance's hold, or the real reason.
    static ErrorInfo explained(DWORD code, const std::filesystem::path& from, const std::filesystem::path& to) {
        if (code == ERROR_ACCESS_DENIED && (HeldElsewhere(from) || HeldElsewhere(to))) {
            return ErrorInfo::heldByOther();
        }
        if (code == ERROR_ACCESS_DENIED && (IsFolder(from) || IsFolder(to))) {
            return ErrorInfo::of(error::kPathFileAccess);
        }
        return ErrorFromWin32(code);
    }

    template <typename Visit>
    static void forEachName(const std::filesystem::path& folder, Visit visit) {
        std::filesystem::path pattern = folder.empty() ? std::filesystem::path(L".") : folder;
        pattern /= L"*";
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) {
            return;
        }
        do {
            visit(data);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }

    std::shared_ptr<HoldRegistry> registry_ = std::make_shared<HoldRegistry>();
};

}  // namespace

// Opening a file and holding it are one step here, so there is no moment between them for a
// test hook to use.
std::unique_ptr<FileSystem> CreateHostFileSystem(HostFileSystemHooks) { return std::make_unique<WinFileSystem>(); }

std::filesystem::path ApplicationFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return std::filesystem::path(buffer).parent_path();
}

namespace {

// Ends the process at once on a crash: Windows Error Reporting never sees it, so it neither
// shows its box nor keeps a dump of the memory (decrypted profiles, logon details) on disk.
LONG WINAPI EndWithoutReport(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void DisableCoreDumps() {
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndWithoutReport);
}

}  // namespace keyloft::platform

#endif  // _WIN32
