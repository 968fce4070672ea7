#pragma once
// What the POSIX file system is built from: descriptors, file identities, the registry of held
// files, links, and the names and steps of a save.

#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
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

int OpenNoInterrupt(const char* path, int flags, mode_t mode = 0);
// Takes the hold on an open file without waiting.
bool TryHold(int fd);
bool IdOf(int fd, FileId& id);
// True when `path` (links followed) names the file open as `id`.
bool PathNames(const std::filesystem::path& path, FileId id);
// The file a path finally names once every symbolic link on its last part is followed. A path
// that does not exist (yet) names itself, and so does a link that leads nowhere: nothing is ever
// created at the target of such a link, which may lie anywhere.
std::filesystem::path FollowLinks(const std::filesystem::path& original);
// Opens a file for reading without waiting (a pipe without a writer would block) and without
// making a terminal the controlling one; the descriptor is put back to blocking reads. Anything
// but a regular file is refused with 77 before a byte is read; a path that names something else
// is not even opened.
Descriptor OpenRegularFile(const std::filesystem::path& file, ErrorInfo& error);
std::filesystem::path FolderOf(const std::filesystem::path& file);
// Name of a temporary file of a save of `file`: hidden, never ending in ".dat".
std::string TemporaryPrefix(const std::filesystem::path& file);
// Eight letters or digits that make a temporary file's name unique.
std::string RandomTag();

// Told of each step that makes a save durable (see HostFileSystemHooks::onDurableStep).
using StepHook = std::function<void(const char*, const std::filesystem::path&)>;
void Report(const StepHook& hook, const char* step, const std::filesystem::path& file);
// Flushes the entries of the folder that holds `file`.
ErrorInfo FlushFolderOf(const std::filesystem::path& file, const StepHook& hook);
// rename() that fails with EEXIST when `to` exists (where the file system cannot, through link()).
int RenameNoReplace(const char* from, const char* to);

}  // namespace keyloft::platform::posix
