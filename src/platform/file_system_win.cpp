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
// A save works where the held file was taken, never through the profile's name again: a link at
// that name (which is a file of its own, not held) could be pointed elsewhere meanwhile. A profile
// that is a link (a symbolic link or junction, opened as itself to tell) is followed only where
// nobody else can change the folder it is in nor the folder it leads to (their owner and access
// rules); elsewhere it is refused with 83. A file with the read-only attribute is neither replaced
// nor deleted (84).
//
// Temporary files are ".<name>.dat.<8 letters or digits>.tmp" beside their target, named as on
// POSIX systems so that either system recognises what an interrupted save of the other left.

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/access_rules_win.h"
#include "platform/file_handles_win.h"
#include "platform/line_reader.h"
#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

using namespace win;

constexpr wchar_t kBackupSuffix[] = L".bak";
// Looks at a missing profile takes before it counts as missing (another save may be between its
// renames).
constexpr int kMissingAttempts = 3;
constexpr std::size_t kWriteBufferSize = 1 << 16;

class WinReadableFile final : public LineReader {
  public:
    WinReadableFile(std::shared_ptr<HeldFile> file, std::shared_ptr<HoldRegistry> registry)
        : file_(std::move(file)), registry_(std::move(registry)) {
        registry_->add(file_);
    }
    ~WinReadableFile() override { registry_->remove(file_.get()); }

    HANDLE handle() const { return file_->handle.get(); }
    FileId id() const { return file_->id; }
    const std::shared_ptr<HeldFile>& file() const { return file_; }

  private:
    bool readBytes(char* buffer, std::size_t size, std::size_t& count, ErrorInfo& error) override {
        DWORD n = 0;
        if (!ReadFile(handle(), buffer, static_cast<DWORD>(size), &n, nullptr)) {
            error = LastError();
            return false;
        }
        count = n;
        return true;
    }

    ErrorInfo seekToStart() override {
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(handle(), zero, nullptr, FILE_BEGIN)) {
            return LastError();
        }
        return ErrorInfo::none();
    }

    std::shared_ptr<HeldFile> file_;
    std::shared_ptr<HoldRegistry> registry_;
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
    // What install is to do: put this file at `target` in place of `replaces` (a held file; none
    // for a new profile).
    void aimAt(std::filesystem::path target, std::shared_ptr<HeldFile> replaces) {
        target_ = std::move(target);
        replaces_ = std::move(replaces);
    }
    const std::filesystem::path& target() const { return target_; }
    const std::shared_ptr<HeldFile>& replaces() const { return replaces_; }

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
            if (!WriteFile(file_->handle.get(), buffer_.data() + done, chunk, &written, nullptr) ||
                written == 0) {
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
    std::filesystem::path target_;
    std::shared_ptr<HeldFile> replaces_;
};

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
        // A link is followed only where nobody else can change where it leads.
        if (IsLink(file) && !LinkMayBeFollowed(file, held->path)) {
            error = ErrorInfo::of(error::kUnsafeLink);
            return nullptr;
        }
        error = ErrorInfo::none();
        return std::make_unique<WinReadableFile>(std::move(held), registry_);
    }

    bool namesOtherFile(const std::filesystem::path& file, const ReadableFile& held) override {
        const auto* open = dynamic_cast<const WinReadableFile*>(&held);
        FileId id;
        if (open != nullptr && IsLink(file) && !LinkMayBeFollowed(file, FollowLinks(file))) {
            return true;  // a link that is not followed: what is there is no longer the held file
        }
        if (open == nullptr || !IdOfPath(file, id)) {
            return false;
        }
        return !(id == open->id());
    }

    std::unique_ptr<WritableFile> createTemporary(const std::filesystem::path& target,
                                                  const ReadableFile* like, ErrorInfo& error) override {
        const auto* model = dynamic_cast<const WinReadableFile*>(like);
        if (like != nullptr && model == nullptr) {
            error = ErrorInfo::of(error::kBadFileNameOrNumber);
            return nullptr;
        }
        if (model != nullptr && IsReadOnly(model->handle())) {
            error = ErrorInfo::of(error::kReadOnlyFile);
            return nullptr;
        }
        // Beside the held file, where it was taken: never through the profile's name (a link
        // there could have been pointed elsewhere meanwhile). A new profile takes its name itself.
        const std::filesystem::path real =
            model != nullptr && !model->file()->path.empty() ? model->file()->path : target;
        OwnerOnlySecurity ownerOnly;
        for (int attempt = 0; attempt < 10; ++attempt) {
            const std::filesystem::path name = TemporaryName(real);
            HANDLE h =
                CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, 0,
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
            result->aimAt(real, model != nullptr ? model->file() : nullptr);
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

    std::unique_ptr<ReadableFile> install(std::unique_ptr<WritableFile> temporary,
                                          const std::filesystem::path& target, bool replaceExisting,
                                          ErrorInfo& error) override {
        auto* own = dynamic_cast<WinWritableFile*>(temporary.get());
        if (own == nullptr) {
            error = ErrorInfo::of(error::kBadFileNameOrNumber);
            return nullptr;
        }
        // A new file takes the name itself: whatever bears it already, a link included, stays. A
        // save replaces the held file where it was taken.
        const std::filesystem::path real = own->replaces() ? own->target() : target;
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
        std::shared_ptr<HeldFile> old = own->replaces() ? own->replaces() : registry_->find(real);
        if (!old) {
            HANDLE h =
                CreateFileW(real.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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

    ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to,
                     bool replaceExisting) override {
        if (replaceExisting && ReadOnlyName(to)) {
            return ErrorInfo::of(error::kReadOnlyFile);
        }
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
            if (const std::shared_ptr<HeldFile> replaced = registry_->find(to);
                replaced && replaced != mine) {
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
        if (IsLink(file) && !LinkMayBeFollowed(file, FollowLinks(file))) {
            return ErrorInfo::of(error::kUnsafeLink);
        }
        if (ReadOnlyName(file)) {
            return ErrorInfo::of(error::kReadOnlyFile);
        }
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
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                EndsWithIgnoringCase(name, L".dat")) {
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

    std::vector<FolderEntry> listDatNames(const std::filesystem::path& folder) override {
        std::vector<FolderEntry> entries;
        forEachName(folder, [&](const WIN32_FIND_DATAW& data) {
            const std::wstring_view name(data.cFileName);
            if (!EndsWithIgnoringCase(name, L".dat")) {
                return;
            }
            const DWORD attributes = data.dwFileAttributes;
            const EntryKind kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryKind::SymbolicLink
                                   : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? EntryKind::Other
                                                                                    : EntryKind::RegularFile;
            entries.push_back(FolderEntry{std::wstring(name), kind});
        });
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        return entries;
    }

    bool namesHeldFileItself(const std::filesystem::path& file, const ReadableFile& held) override {
        const auto* open = dynamic_cast<const WinReadableFile*>(&held);
        // The name itself, a reparse point not followed.
        Handle probe(CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        FileId id;
        return open != nullptr && probe.valid() && GetFileInformationByHandle(probe.get(), &info) &&
               (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0 &&
               IdOf(probe.get(), id) && id == open->id();
    }

    std::optional<FileStamp> stampOf(const ReadableFile& held) override {
        const auto* open = dynamic_cast<const WinReadableFile*>(&held);
        BY_HANDLE_FILE_INFORMATION info{};
        FILE_BASIC_INFO basic{};
        if (open == nullptr || !GetFileInformationByHandle(open->handle(), &info) ||
            !GetFileInformationByHandleEx(open->handle(), FileBasicInfo, &basic, sizeof basic)) {
            return std::nullopt;
        }
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        const auto join = [](DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; };
        const auto ticks = [&](const FILETIME& t) {
            return static_cast<std::int64_t>(join(t.dwHighDateTime, t.dwLowDateTime));
        };
        return FileStamp{info.dwVolumeSerialNumber,
                         join(info.nFileIndexHigh, info.nFileIndexLow),
                         join(info.nFileSizeHigh, info.nFileSizeLow),
                         ticks(info.ftLastWriteTime),
                         static_cast<std::int64_t>(basic.ChangeTime.QuadPart),
                         ticks(now),
                         10'000'000};
    }

    // A new log file gets the folder's inherited access rules: whoever may write in a shared
    // folder may add to its log (it holds no secrets). A link (or any other reparse point) is
    // opened as itself, not followed, and left alone; so is anything but a file with one name.
    bool appendText(const std::filesystem::path& file, std::string_view text) override {
        Handle h(CreateFileW(file.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
    // A link may be followed when nobody else can change the folder it is in nor the folder of
    // the file it leads to.
    static bool LinkMayBeFollowed(const std::filesystem::path& link, const std::filesystem::path& leadsTo) {
        return !leadsTo.empty() && OnlyOwnerMayChange(FolderOf(link)) &&
               OnlyOwnerMayChange(FolderOf(leadsTo));
    }

    // The file (links followed) carries the read-only attribute.
    static bool ReadOnlyName(const std::filesystem::path& file) {
        const DWORD attributes = GetFileAttributesW(FollowLinks(file).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
               (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    }

    std::unique_ptr<ReadableFile> installed(WinWritableFile& file, ErrorInfo& error) {
        std::shared_ptr<HeldFile> held = file.release();
        held->path = FinalPathOf(held->handle.get());  // its new name
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
    static ErrorInfo explained(DWORD code, const std::filesystem::path& from,
                               const std::filesystem::path& to) {
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
        HANDLE find =
            FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
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
std::unique_ptr<FileSystem> CreateHostFileSystem(HostFileSystemHooks) {
    return std::make_unique<WinFileSystem>();
}

}  // namespace keyloft::platform

#endif  // _WIN32
