#pragma once
// What the Windows file system is built from: handles, file identities, the registry of held
// files, links, renames and deletions through handles, and the names of temporary files.

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "store/error_codes.h"

namespace keyloft::platform::win {

inline constexpr wchar_t kTemporarySuffix[] = L".tmp";

// A Windows error code as the storage's error number.
ErrorInfo ErrorFromWin32(DWORD code);
ErrorInfo LastError();

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

bool IdOf(HANDLE h, FileId& id);
// The identity of the file a path names, without disturbing anyone's hold (no data or delete
// access is asked for, so share modes do not apply).
bool IdOfPath(const std::filesystem::path& file, FileId& id);
bool IsFolder(const std::filesystem::path& file);
// True when another instance holds the file: asking for delete access is refused by its share mode.
bool HeldElsewhere(const std::filesystem::path& file);
bool EndsWithIgnoringCase(std::wstring_view text, std::wstring_view tail);
bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view head);
// The file a path finally names when it is a symbolic link (or another reparse point that Windows
// follows on opening); the path itself otherwise, or when it names nothing yet.
std::filesystem::path FollowLinks(const std::filesystem::path& file);
// The path of the file open as `h`, in its ordinary form; empty when the system cannot tell.
std::filesystem::path FinalPathOf(HANDLE h);
// True when the name itself is a link: a reparse point that stands for another name (a symbolic
// link, a junction), opened as itself to find out. Other reparse points (cloud placeholders,
// deduplicated files) hold their own data and are no links.
bool IsLink(const std::filesystem::path& file);
// True when nobody but this user (the system and the administrators aside) can add, remove or
// rename entries of the folder, or change who may: its owner is one of them and its access rules
// let nobody else write to it.
bool OnlyOwnerMayChange(const std::filesystem::path& folder);
// True when the file open as `h` carries the read-only attribute.
bool IsReadOnly(HANDLE h);
std::filesystem::path FolderOf(const std::filesystem::path& file);
std::filesystem::path WithSuffix(std::filesystem::path file, const wchar_t* suffix);
// Renames the file open as `h` (with DELETE access).
bool RenameByHandle(HANDLE h, const std::filesystem::path& to, bool replaceExisting);
// Deletes the file open as `h` (with DELETE access): at once where the file system supports it,
// else when the last handle is closed (which ends the hold as well).
bool DeleteByHandle(HANDLE h);
// "<folder>\.<name>.<tag>.tmp" for the file `real`.
std::filesystem::path TemporaryName(const std::filesystem::path& real);

// The files one FileSystem object holds, shared with its open files.

struct HeldFile {
    Handle handle;
    FileId id;
    // Where the file was when it was taken (a profile that is a link: the file it leads to). A held
    // file cannot be renamed by others: a save works here, never through the link again.
    std::filesystem::path path;
    explicit HeldFile(HANDLE h) : handle(h) {
        IdOf(h, id);
        path = FinalPathOf(h);
    }
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

}  // namespace keyloft::platform::win

#endif  // _WIN32
