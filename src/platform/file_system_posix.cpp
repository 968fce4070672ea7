// Profile files on POSIX systems. The hold is an flock() lock, which belongs to one open file
// description: two FileSystem objects in one process therefore see each other's holds exactly as
// two processes do. Each object remembers the files it holds itself, so that it can still rename
// them.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "platform/error_mapping.h"
#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

using FileId = std::pair<dev_t, ino_t>;

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

class PosixReadableFile final : public ReadableFile {
public:
    PosixReadableFile(int fd, FileId id, std::shared_ptr<HoldRegistry> registry)
        : fd_(fd), id_(id), registry_(std::move(registry)) {
        registry_->add(id_);
    }
    ~PosixReadableFile() override { registry_->remove(id_); }

    bool readLine(std::string& line, ErrorInfo& error) override {
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

class PosixWritableFile final : public WritableFile {
public:
    PosixWritableFile(int fd, FileId id, std::filesystem::path path, std::shared_ptr<HoldRegistry> registry)
        : fd_(fd), id_(id), path_(std::move(path)), registry_(std::move(registry)) {
        registry_->add(id_);
    }
    ~PosixWritableFile() override { registry_->remove(id_); }

    ErrorInfo writeLine(std::string_view text) override {
        if (fd_.get() < 0) {
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        }
        buffer_.append(text);
        buffer_ += "\r\n";
        if (buffer_.size() >= kFlushAt) {
            return flushBuffer();
        }
        return ErrorInfo::none();
    }

    ErrorInfo close() override {
        if (fd_.get() < 0) {
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        }
        ErrorInfo result = flushBuffer();
        if (!result.failed() && ::fsync(fd_.get()) != 0) {
            result = ErrorFromErrno(errno);
        }
        if (::close(fd_.release()) != 0 && !result.failed()) {
            result = ErrorFromErrno(errno);
        }
        if (!result.failed()) {
            // The new name must be on disk before the old copy can go.
            std::filesystem::path folder = path_.parent_path();
            if (folder.empty()) {
                folder = ".";
            }
            Descriptor dir(OpenNoInterrupt(folder.c_str(), O_RDONLY | O_DIRECTORY));
            if (dir.get() >= 0 && ::fsync(dir.get()) != 0 && errno != EINVAL && errno != EROFS) {
                result = ErrorFromErrno(errno);
            }
        }
        return result;
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;

    ErrorInfo flushBuffer() {
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
        buffer_.clear();
        return ErrorInfo::none();
    }

    Descriptor fd_;
    FileId id_;
    std::filesystem::path path_;
    std::shared_ptr<HoldRegistry> registry_;
    std::string buffer_;
};

int RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
#endif
    // A file system without the no-replace rename: make the check by hand.
    struct stat st {};
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) override {
        Descriptor fd(OpenNoInterrupt(file.c_str(), O_RDONLY));
        if (fd.get() < 0) {
            error = ErrorFromErrno(errno, file);
            return nullptr;
        }
        FileId id;
        if (!IdOf(fd.get(), id)) {
            error = ErrorFromErrno(errno);
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) {
            error = ErrorInfo::of(error::kPathFileAccess);
            return nullptr;
        }
        if (!TryHold(fd.get())) {
            error = ErrorInfo::of(error::kPermissionDenied);
            return nullptr;
        }
        error = ErrorInfo::none();
        return std::make_unique<PosixReadableFile>(fd.release(), id, registry_);
    }

    std::unique_ptr<WritableFile> createHeld(const std::filesystem::path& file,
                                             const std::filesystem::path& keepModeOf,
                                             ErrorInfo& error) override {
        mode_t mode = S_IRUSR | S_IWUSR;
        struct stat model {};
        if (!keepModeOf.empty() && ::stat(keepModeOf.c_str(), &model) == 0) {
            mode = model.st_mode & 07777;
        }
        // Not truncated on opening: a file that another instance holds must stay as it is.
        Descriptor fd(OpenNoInterrupt(file.c_str(), O_WRONLY | O_CREAT, mode));
        if (fd.get() < 0) {
            error = ErrorFromErrno(errno, file);
            return nullptr;
        }
        FileId id;
        if (!IdOf(fd.get(), id)) {
            error = ErrorFromErrno(errno);
            return nullptr;
        }
        if (!TryHold(fd.get())) {
            error = ErrorInfo::of(error::kPermissionDenied);
            return nullptr;
        }
        if (::ftruncate(fd.get(), 0) != 0 || ::fchmod(fd.get(), mode) != 0) {
            error = ErrorFromErrno(errno);
            return nullptr;
        }
        error = ErrorInfo::none();
        return std::make_unique<PosixWritableFile>(fd.release(), id, file, registry_);
    }

    ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        Descriptor probe;
        if (!heldHere(from)) {
            probe = Descriptor(OpenNoInterrupt(from.c_str(), O_RDONLY));
            if (probe.get() < 0) {
                return ErrorFromErrno(errno, from);
            }
            if (!TryHold(probe.get())) {
                return ErrorInfo::of(error::kPermissionDenied);
            }
        }
        if (RenameNoReplace(from.c_str(), to.c_str()) != 0) {
            return ErrorFromErrno(errno, to);
        }
        return ErrorInfo::none();
    }

    ErrorInfo remove(const std::filesystem::path& file) override {
        Descriptor probe;
        if (!heldHere(file)) {
            probe = Descriptor(OpenNoInterrupt(file.c_str(), O_RDONLY));
            if (probe.get() < 0) {
                return ErrorFromErrno(errno, file);
            }
            if (!TryHold(probe.get())) {
                return ErrorInfo::of(error::kPermissionDenied);
            }
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
            if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0 || S_ISDIR(st.st_mode)) {
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
        Descriptor fd(OpenNoInterrupt(file.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0666));
        if (fd.get() < 0) {
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

    std::shared_ptr<HoldRegistry> registry_ = std::make_shared<HoldRegistry>();
};

}  // namespace

std::unique_ptr<FileSystem> CreateHostFileSystem() { return std::make_unique<PosixFileSystem>(); }

std::filesystem::path ApplicationFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && program.has_parent_path()) {
        return program.parent_path();
    }
    return std::filesystem::current_path(error);
}

}  // namespace keyloft::platform
