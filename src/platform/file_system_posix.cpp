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
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "platform/error_mapping.h"
#include "platform/file_handles_posix.h"
#include "platform/line_reader.h"
#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

using namespace posix;

class PosixReadableFile final : public LineReader {
public:
    PosixReadableFile(int fd, FileId id, std::shared_ptr<HoldRegistry> registry)
        : fd_(fd), id_(id), registry_(std::move(registry)) {
        registry_->add(id_);
    }
    ~PosixReadableFile() override { registry_->remove(id_); }

    int descriptor() const { return fd_.get(); }
    FileId id() const { return id_; }

private:
    bool readBytes(char* buffer, std::size_t size, std::size_t& count, ErrorInfo& error) override {
        ssize_t n;
        do {
            n = ::read(fd_.get(), buffer, size);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            error = ErrorFromErrno(errno);
            return false;
        }
        count = static_cast<std::size_t>(n);
        return true;
    }

    ErrorInfo seekToStart() override {
        if (::lseek(fd_.get(), 0, SEEK_SET) != 0) {
            return ErrorFromErrno(errno);
        }
        return ErrorInfo::none();
    }

    Descriptor fd_;
    FileId id_;
    std::shared_ptr<HoldRegistry> registry_;
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

    std::vector<FolderEntry> listDatNames(const std::filesystem::path& folder) override {
        std::vector<FolderEntry> entries;
        DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
        if (dir == nullptr) {
            return entries;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            struct stat st {};
            if (name.size() < 4 || name.substr(name.size() - 4) != ".dat" ||
                ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            const EntryKind kind = S_ISREG(st.st_mode) ? EntryKind::RegularFile
                                   : S_ISLNK(st.st_mode) ? EntryKind::SymbolicLink
                                                         : EntryKind::Other;
            entries.push_back(FolderEntry{std::string(name), kind});
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        return entries;
    }

    bool namesHeldFileItself(const std::filesystem::path& file, const ReadableFile& held) override {
        const auto* open = dynamic_cast<const PosixReadableFile*>(&held);
        struct stat st {};
        return open != nullptr && ::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
               FileId{st.st_dev, st.st_ino} == open->id();
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

}  // namespace keyloft::platform
