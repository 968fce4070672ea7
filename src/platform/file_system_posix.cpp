// Profile files on POSIX systems. The hold is an flock() lock, which belongs to one open file
// description: two FileSystem objects in one process therefore see each other's holds exactly as
// two processes do. Each object remembers the files it holds itself, so that it can still rename
// or replace them.
//
// A lock is only worth something while the path still names the locked file: a save replaces the
// profile by renaming a new file over it, and an instance that opened the old file just before
// that would otherwise hold a file nobody will ever read again. So every hold is checked against
// the path once taken, and taken again when the path has moved on.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <utility>

#include "platform/error_mapping.h"
#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

using FileId = std::pair<dev_t, ino_t>;

constexpr int kHoldAttempts = 20;       // a path replaced this often while we lock it counts as held
constexpr int kMaxLinkDepth = 40;
constexpr char kTemporarySuffix[] = ".tmp";

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

int OpenNoInterrupt(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Takes the hold on an open file without waiting.
bool TryHold(int fd) {
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool IdOf(int fd, FileId& id) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return false;
    }
    id = {st.st_dev, st.st_ino};
    return true;
}

// True when `path` (links followed) names the file open as `id`.
bool PathNames(const std::filesystem::path& path, FileId id) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && FileId{st.st_dev, st.st_ino} == id;
}

// The file a path finally names once every symbolic link on its last part is followed. A path
// that does not exist (yet) names itself, and so does a link that leads nowhere: nothing is ever
// created at the target of such a link, which may lie anywhere.
std::filesystem::path FollowLinks(const std::filesystem::path& original) {
    struct stat target {};
    if (::stat(original.c_str(), &target) != 0) {
        return original;
    }
    std::filesystem::path path = original;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(path, error);
        if (error) {
            return path;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// Opens a file for reading without waiting (a pipe without a writer would block) and without
// making a terminal the controlling one; the descriptor is put back to blocking reads. Anything
// but a regular file is refused with 77 before a byte is read; a path that names something else
// is not even opened.
Descriptor OpenRegularFile(const std::filesystem::path& file, ErrorInfo& error) {
    struct stat before {};
    if (::stat(file.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        error = ErrorInfo::of(error::kNotRegularFile);
        return Descriptor();
    }
    Descriptor fd(OpenNoInterrupt(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        error = ErrorFromErrno(errno, file);
        return Descriptor();
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error = ErrorFromErrno(errno);
        return Descriptor();
    }
    if (!S_ISREG(st.st_mode)) {
        error = ErrorInfo::of(error::kNotRegularFile);
        return Descriptor();
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error = ErrorFromErrno(errno);
        return Descriptor();
    }
    error = ErrorInfo::none();
    return fd;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Name of a temporary file of a save of `file`: hidden, never ending in ".dat".
std::string TemporaryPrefix(const std::filesystem::path& file) { return "." + file.filename().string() + "."; }

std::string RandomTag() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
    std::string tag(8, 'x');
    for (char& c : tag) {
        c = kLetters[pick(generator)];
    }
    return tag;
}

using StepHook = std::function<void(const char*, const std::filesystem::path&)>;

void Report(const StepHook& hook, const char* step, const std::filesystem::path& file) {
    if (hook) {
        hook(step, file);
    }
}

ErrorInfo FlushFolderOf(const std::filesystem::path& file, const StepHook& hook) {
    Descriptor dir(OpenNoInterrupt(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY));
    if (dir.get() < 0) {
        return ErrorFromErrno(errno, file);
    }
    if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != EROFS) {
        return ErrorFromErrno(errno);
    }
    Report(hook, "flush folder", FolderOf(file));
    return ErrorInfo::none();
}

int RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
#endif
    // A file system without the no-replace rename: a hard link fails when the name exists.
    if (::link(from, to) == 0) {
        ::unlink(from);
        return 0;
    }
    if (errno == EEXIST) {
        return -1;
    }
    struct stat st {};
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

class PosixReadableFile final : public ReadableFile {
public:
    PosixReadableFile(int fd, FileId id, std::shared_ptr<HoldRegistry> registry)
        : fd_(fd), id_(id), registry_(std::move(registry)) {
        registry_->add(id_);
    }
    ~PosixReadableFile() override { registry_->remove(id_); }

    int descriptor() const { return fd_.get(); }
    FileId id() const { return id_; }

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
            if (static_cast<std::size_t>(stop - start) > maxLength - std::min(maxLength, line.size())) {
                line.clear();
                line.shrink_to_fit();
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
        if (::lseek(fd_.get(), 0, SEEK_SET) != 0) {
            return ErrorFromErrno(errno);
        }
        pos_ = size_ = 0;
        pendingLf_ = false;
        return ErrorInfo::none();
    }

private:
    bool fill(ErrorInfo& error) {
        ssize_t n;
        do {
            n = ::read(fd_.get(), buffer_, sizeof buffer_);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            error = ErrorFromErrno(errno);
            return false;
        }
        pos_ = 0;
        size_ = static_cast<std::size_t>(n);
        return n > 0;
    }

    Descriptor fd_;
    FileId id_;
    std::shared_ptr<HoldRegistry> registry_;
    char buffer_[65536];
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    bool pendingLf_ = false;
};

// A temporary file of a save: removed when dropped before it was installed.
class PosixTemporaryFile final : public WritableFile {
public:
    PosixTemporaryFile(int fd, FileId id, std::filesystem::path path, std::shared_ptr<HoldRegistry> registry,
                       StepHook onStep)
        : fd_(fd), id_(id), path_(std::move(path)), registry_(std::move(registry)), onStep_(std::move(onStep)) {
        registry_->add(id_);
    }
    ~PosixTemporaryFile() override {
        if (fd_.get() >= 0) {
            ::unlink(path_.c_str());
        }
        registry_->remove(id_);
    }

    ErrorInfo writeLine(std::string_view text) override {
        if (fd_.get() < 0) {
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        }
        buffer_.append(text);
        buffer_ += "\r\n";
        if (buffer_.size() >= kFlushAt) {
            return writeBuffer();
        }
        return ErrorInfo::none();
    }

    ErrorInfo flush() override {
        if (fd_.get() < 0) {
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        }
        ErrorInfo result = writeBuffer();
        if (!result.failed() && ::fsync(fd_.get()) != 0) {
            result = ErrorFromErrno(errno);
        }
        if (!result.failed()) {
            Report(onStep_, "flush", path_);
        }
        return result;
    }

    ErrorInfo writeBuffer() {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(fd_.get(), buffer_.data() + done, buffer_.size() - done);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                buffer_.clear();
                return ErrorFromErrno(errno);
            }
            done += static_cast<std::size_t>(n);
        }
        if (!buffer_.empty()) {
            Report(onStep_, "write", path_);
        }
        buffer_.clear();
        return ErrorInfo::none();
    }

    const std::filesystem::path& path() const { return path_; }
    FileId id() const { return id_; }
    int descriptor() const { return fd_.get(); }
    // Hands the descriptor over once the file has its final name.
    int release() { return fd_.release(); }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;

    Descriptor fd_;
    FileId id_;
    std::filesystem::path path_;
    std::shared_ptr<HoldRegistry> registry_;
    StepHook onStep_;
    std::string buffer_;
};

class PosixFileSystem final : public FileSystem {
public:
    explicit PosixFileSystem(HostFileSystemHooks hooks) : hooks_(std::move(hooks)) {}

    std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) override {
        for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
            Descriptor fd = OpenRegularFile(file, error);
            FileId id;
            if (fd.get() < 0) {
                return nullptr;
            }
            if (!IdOf(fd.get(), id)) {
                error = ErrorFromErrno(errno);
                return nullptr;
            }
            if (hooks_.betweenOpenAndHold) {
                hooks_.betweenOpenAndHold(file);
            }
            if (!TryHold(fd.get())) {
                error = ErrorInfo::heldByOther();
                return nullptr;
            }
            if (PathNames(file, id)) {
                error = ErrorInfo::none();
                return std::make_unique<PosixReadableFile>(fd.release(), id, registry_);
            }
            // Replaced (or removed) while we were taking it: let go and look again.
        }
        error = ErrorInfo::heldByOther();
        return nullptr;
    }

    bool namesOtherFile(const std::filesystem::path& file, const ReadableFile& held) override {
        const auto* open = dynamic_cast<const PosixReadableFile*>(&held);
        struct stat st {};
        if (open == nullptr || ::stat(file.c_str(), &st) != 0) {
            return false;
        }
        return FileId{st.st_dev, st.st_ino} != open->id();
    }

    std::unique_ptr<WritableFile> createTemporary(const std::filesystem::path& target, const ReadableFile* like,
                                                  ErrorInfo& error) override {
        const std::filesystem::path real = FollowLinks(target);
        const std::filesystem::path folder = FolderOf(real);
        const std::string prefix = TemporaryPrefix(real);
        for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
            const std::filesystem::path path = folder / (prefix + RandomTag() + kTemporarySuffix);
            Descriptor fd(OpenNoInterrupt(path.c_str(), O_RDWR | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR));
            if (fd.get() < 0) {
                if (errno == EEXIST) {
                    continue;
                }
                error = ErrorFromErrno(errno, path);
                return nullptr;
            }
            FileId id;
            if (!IdOf(fd.get(), id) || !TryHold(fd.get()) || !PathNames(path, id)) {
                continue;  // someone took the name from under us
            }
            auto file = std::make_unique<PosixTemporaryFile>(fd.release(), id, path, registry_, hooks_.onDurableStep);
            error = takeOver(*file, like);
            if (error.failed()) {
                return nullptr;
            }
            return file;
        }
        error = ErrorInfo::of(error::kPathFileAccess);
        return nullptr;
    }

    std::unique_ptr<ReadableFile> install(std::unique_ptr<WritableFile> temporary, const std::filesystem::path& target,
                                          bool replaceExisting, ErrorInfo& error) override {
        auto* file = dynamic_cast<PosixTemporaryFile*>(temporary.get());
        if (file == nullptr) {
            error = ErrorInfo::of(error::kBadFileNameOrNumber);
            return nullptr;
        }
        error = file->writeBuffer();
        if (error.failed()) {
            return nullptr;
        }
        // A new file takes the name itself: whatever bears it already, a link included, stays.
        const std::filesystem::path real = replaceExisting ? FollowLinks(target) : target;
        const int rc = replaceExisting ? ::rename(file->path().c_str(), real.c_str())
                                       : RenameNoReplace(file->path().c_str(), real.c_str());
        if (rc != 0) {
            error = ErrorFromErrno(errno, real);
            return nullptr;  // the temporary file goes with `temporary`
        }
        Report(hooks_.onDurableStep, "rename", real);
        const FileId id = file->id();
        const int fd = file->release();
        auto held = std::make_unique<PosixReadableFile>(fd, id, registry_);
        temporary.reset();
        error = held->rewind();
        if (error.failed()) {
            return nullptr;
        }
        return held;
    }

    ErrorInfo flushFolder(const std::filesystem::path& file) override {
        return FlushFolderOf(FollowLinks(file), hooks_.onDurableStep);
    }

    std::vector<std::filesystem::path> removeLeftovers(const std::filesystem::path& target) override {
        std::vector<std::filesystem::path> removed;
        const std::filesystem::path real = FollowLinks(target);
        const std::filesystem::path folder = FolderOf(real);
        const std::string prefix = TemporaryPrefix(real);
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            return removed;
        }
        std::vector<std::string> candidates;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name.size() > prefix.size() + 4 && name.substr(0, prefix.size()) == prefix &&
                name.substr(name.size() - 4) == kTemporarySuffix) {
                candidates.emplace_back(name);
            }
        }
        ::closedir(dir);
        for (const std::string& name : candidates) {
            const std::filesystem::path path = folder / name;
            Descriptor fd(OpenNoInterrupt(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
            FileId id;
            struct stat st {};
            if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !IdOf(fd.get(), id) ||
                registry_->holds(id) || !TryHold(fd.get()) || !PathNames(path, id)) {
                continue;  // a save under way, or not ours to touch
            }
            if (::unlink(path.c_str()) == 0) {
                removed.emplace_back(name);
            }
        }
        return removed;
    }

    ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replaceExisting) override {
        Descriptor probeFrom;
        Descriptor probeTo;
        if (ErrorInfo held = probe(from, probeFrom); held.failed()) {
            return held;
        }
        if (replaceExisting && exists(to)) {
            if (ErrorInfo held = probe(to, probeTo); held.failed()) {
                return held;
            }
        }
        const int rc = replaceExisting ? ::rename(from.c_str(), to.c_str()) : RenameNoReplace(from.c_str(), to.c_str());
        if (rc != 0) {
            return ErrorFromErrno(errno, to);
        }
        return ErrorInfo::none();
    }

    ErrorInfo remove(const std::filesystem::path& file) override {
        Descriptor probeFile;
        if (ErrorInfo held = probe(file, probeFile); held.failed()) {
            return held;
        }
        if (::unlink(file.c_str()) != 0) {
            return ErrorFromErrno(errno, file);
        }
        return ErrorInfo::none();
    }

    bool exists(const std::filesystem::path& file) override {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    }

    bool nameTaken(const std::filesystem::path& file) override {
        struct stat st {};
        return ::lstat(file.c_str(), &st) == 0;
    }

    std::vector<std::filesystem::path> listProfileFiles(const std::filesystem::path& folder) override {
        std::vector<std::filesystem::path> names;
        DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
        if (dir == nullptr) {
            return names;
        }
        std::vector<std::string> found;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name.size() < 4 || name.substr(name.size() - 4) != ".dat") {
                continue;
            }
            struct stat st {};
            if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) {
                continue;
            }
            found.emplace_back(name);
        }
        ::closedir(dir);
        std::sort(found.begin(), found.end());
        names.reserve(found.size());
        for (std::string& name : found) {
            names.emplace_back(std::move(name));
        }
        return names;
    }

    bool appendText(const std::filesystem::path& file, std::string_view text) override {
        // Never through a link, never waiting for a pipe's reader, never a terminal.
        constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
        Descriptor fd(OpenNoInterrupt(file.c_str(), kFlags));
        if (fd.get() < 0 && errno == ENOENT) {
            // First entry: a shared (group-writable) folder gets a log its group can write to.
            struct stat folder {};
            const bool shared = ::stat(FolderOf(file).c_str(), &folder) == 0 && (folder.st_mode & S_IWGRP) != 0;
            const mode_t mode = shared ? (S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP) : (S_IRUSR | S_IWUSR);
            fd = Descriptor(OpenNoInterrupt(file.c_str(), kFlags | O_CREAT | O_EXCL, mode));
            if (fd.get() >= 0) {
                if (shared && ::fchown(fd.get(), static_cast<uid_t>(-1), folder.st_gid) != 0) {
                    // Not a member of the folder's group: the log keeps the user's own group.
                }
                (void)::fchmod(fd.get(), mode);
            } else if (errno == EEXIST) {
                fd = Descriptor(OpenNoInterrupt(file.c_str(), kFlags));
            }
        }
        struct stat st {};
        // A second name (a hard link) could be another user's file: only a log of its own is written.
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
            return false;
        }
        ssize_t n;
        do {
            n = ::write(fd.get(), text.data(), text.size());
        } while (n < 0 && errno == EINTR);
        return n == static_cast<ssize_t>(text.size());
    }

private:
    bool heldHere(const std::filesystem::path& file) const {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 && registry_->holds({st.st_dev, st.st_ino});
    }

    // Makes sure no other instance holds `file` (unless this one does): takes a passing hold into
    // `probe`, which keeps others out until the operation is done. As in openHeld the hold counts
    // only when the path still names the file it was taken on: a file that another instance's save
    // put in place meanwhile is held by that instance and must not be the one renamed or removed.
    ErrorInfo probe(const std::filesystem::path& file, Descriptor& probe) const {
        if (heldHere(file)) {
            return ErrorInfo::none();
        }
        for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
            ErrorInfo error;
            probe = OpenRegularFile(file, error);
            FileId id;
            if (probe.get() < 0) {
                return error;
            }
            if (!IdOf(probe.get(), id)) {
                return ErrorFromErrno(errno);
            }
            if (hooks_.betweenOpenAndHold) {
                hooks_.betweenOpenAndHold(file);
            }
            if (!TryHold(probe.get())) {
                return ErrorInfo::heldByOther();
            }
            if (PathNames(file, id)) {
                return ErrorInfo::none();
            }
        }
        return ErrorInfo::heldByOther();
    }

    // Gives a new temporary file what the file it replaces has: permissions, group and, for a
    // process that may do so, owner.
    static ErrorInfo takeOver(PosixTemporaryFile& file, const ReadableFile* like) {
        const auto* model = dynamic_cast<const PosixReadableFile*>(like);
        mode_t mode = S_IRUSR | S_IWUSR;
        struct stat st {};
        if (model != nullptr && ::fstat(model->descriptor(), &st) == 0) {
            mode = st.st_mode & 07777;
            const uid_t owner = ::geteuid() == 0 ? st.st_uid : static_cast<uid_t>(-1);
            if (::fchown(file.descriptor(), owner, st.st_gid) != 0 && errno != EPERM) {
                return ErrorFromErrno(errno);
            }
        }
        // After the change of owner, which may clear the set-id bits.
        if (::fchmod(file.descriptor(), mode) != 0) {
            return ErrorFromErrno(errno);
        }
        return ErrorInfo::none();
    }

    HostFileSystemHooks hooks_;
    std::shared_ptr<HoldRegistry> registry_ = std::make_shared<HoldRegistry>();
};

}  // namespace

std::unique_ptr<FileSystem> CreateHostFileSystem(HostFileSystemHooks hooks) {
    return std::make_unique<PosixFileSystem>(std::move(hooks));
}

std::filesystem::path ApplicationFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && program.has_parent_path()) {
        return program.parent_path();
    }
    return std::filesystem::current_path(error);
}

void DisableCoreDumps() {
    const struct rlimit none {0, 0};
    (void)::setrlimit(RLIMIT_CORE, &none);
#ifdef __linux__
    (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

}  // namespace keyloft::platform
