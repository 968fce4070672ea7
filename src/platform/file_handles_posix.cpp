#include "platform/file_handles_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/error_mapping.h"

namespace keyloft::platform::posix {
namespace {

constexpr int kMaxLinkDepth = 40;

}  // namespace

int OpenNoInterrupt(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

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

bool PathNames(const std::filesystem::path& path, FileId id) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && FileId{st.st_dev, st.st_ino} == id;
}

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

}  // namespace keyloft::platform::posix
