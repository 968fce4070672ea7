#pragma once
// What the POSIX file system is built from: descriptors, open folders and the names in them, file
// identities, the registry of held files, links, and the names and steps of a save.
//
// A shared folder is written by others while Keyloft works in it, so nothing in it is reached by
// path twice: the folder is opened once, and every file in it is found, opened, created, renamed
// and removed by its name relative to that folder's descriptor, never through a symbolic link
// (O_NOFOLLOW, AT_SYMLINK_NOFOLLOW), and checked on the descriptor it opened.

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "store/error_codes.h"

namespace keyloft::platform::posix {

using FileId = std::pair<dev_t, ino_t>;

inline constexpr int kHoldAttempts = 20;  // a path replaced this often while we lock it counts as held
inline constexpr char kTemporarySuffix[] = ".tmp";

// The files one FileSystem object holds, shared with its open files.
class HoldRegistry {
  public:
    void add(FileId id) {
        std::lock_guard lock(mutex_);
        held_.insert(id);
    }
    void remove(FileId id) {
        std::lock_guard lock(mutex_);
        if (const auto it = held_.find(id); it != held_.end()) {
            held_.erase(it);
        }
    }
    bool holds(FileId id) const {
        std::lock_guard lock(mutex_);
        return held_.count(id) != 0;
    }

  private:
    mutable std::mutex mutex_;
    std::multiset<FileId> held_;
};

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
};

// An open folder, shared by the files that were found in it.
using Folder = std::shared_ptr<const Descriptor>;

// A name in an open folder.
struct Place {
    Folder folder;
    std::string name;
    int fd() const { return folder->get(); }
};

int OpenNoInterrupt(const char* path, int flags, mode_t mode = 0);
int OpenAtNoInterrupt(int folder, const char* name, int flags, mode_t mode = 0);
// Takes the hold on an open file without waiting.
bool TryHold(int fd);
bool IdOf(int fd, FileId& id);
inline FileId IdOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

// Opens a folder as its path names it (the database folder is the user's own choice, links on the
// way included), or the folder that holds `file`; the error says why it cannot be opened.
Folder OpenFolder(const std::filesystem::path& folder, ErrorInfo& error);
Folder OpenFolderOf(const std::filesystem::path& file, ErrorInfo& error);
std::filesystem::path FolderOf(const std::filesystem::path& file);
std::string NameOf(const std::filesystem::path& file);
// The entry `name` of `folder` itself, a link not followed. False when there is none.
bool StatAt(int folder, const std::string& name, struct stat& st);
// True when `name` in `folder` (a link not followed) is the file open as `id`.
bool NamesAt(int folder, const std::string& name, FileId id);

// True when nobody but this user (or the superuser) can change the folder's entries: it is owned
// by this user or by the superuser and neither its group nor others may write to it (with access
// control lists, the group bits are their mask, so a list that lets anyone else write shows here).
bool OnlyOwnerMayChange(int folder);
// True when the file's mode lets this user write to it. The superuser may write a file when anyone
// may: a file nobody may write (0444) is read-only for every user.
bool MayWrite(const struct stat& st);

// Where a name in a folder leads. A regular file (or anything but a link) is its own place. A
// symbolic link is followed only while every folder it is found in, and the folder it finally
// leads to, can be changed by nobody else (OnlyOwnerMayChange): elsewhere another user could point
// it at a file of this user's outside the folder between any two calls, and it is refused with
// kUnsafeLink. `throughLink` tells whether a link was followed.
Place Resolve(const Folder& folder, const std::string& name, bool& throughLink, ErrorInfo& error);

// Opens a regular file of a folder for reading without following a link, without waiting (a pipe
// without a writer would block) and without making a terminal the controlling one; the descriptor
// is put back to blocking reads. Anything but a regular file is refused with 77 before a byte is
// read (a device is not even opened); a link found at the name is refused with 80.
Descriptor OpenRegularAt(int folder, const std::string& name, ErrorInfo& error);

// Name of a temporary file of a save of the file `name`: hidden, never ending in ".dat".
std::string TemporaryPrefix(const std::string& name);
// Eight letters or digits that make a temporary file's name unique.
std::string RandomTag();

// Told of each step that makes a save durable (see HostFileSystemHooks::onDurableStep).
using StepHook = std::function<void(const char*, const std::filesystem::path&)>;
void Report(const StepHook& hook, const char* step, const std::filesystem::path& file);
// Flushes the entries of an open folder; `shown` is the folder's path for the hook.
ErrorInfo FlushFolder(int folder, const std::filesystem::path& shown, const StepHook& hook);
// renameat() that fails with EEXIST when `to` exists (where the file system cannot, through linkat()).
int RenameNoReplaceAt(int fromFolder, const char* from, int toFolder, const char* to);

}  // namespace keyloft::platform::posix
