#include "platform/file_handles_posix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/error_mapping.h"

namespace keyloft::platform::posix {
namespace {

constexpr int kMaxLinkDepth = 40;

bool InGroup(gid_t group) {
    if (group == ::getegid()) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == group) {
            return true;
        }
    }
    return false;
}

bool ReadLinkAt(int folder, const std::string& name, std::string& target) {
    std::string buffer(256, '\0');
    while (true) {
        const ssize_t n = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            return false;
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            target = std::move(buffer);
            return true;
        }
        if (buffer.size() >= (1u << 16)) {
            errno = ENAMETOOLONG;
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

int OpenNoInterrupt(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int OpenAtNoInterrupt(int folder, const char* name, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::openat(folder, name, flags | O_CLOEXEC, mode);
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
    id = IdOf(st);
    return true;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

Folder OpenFolderOf(const std::filesystem::path& file, ErrorInfo& error) {
    return OpenFolder(FolderOf(file), error);
}

Folder OpenFolder(const std::filesystem::path& folder, ErrorInfo& error) {
    int fd = OpenNoInterrupt(folder.c_str(), O_RDONLY | O_DIRECTORY);
#ifdef O_PATH
    if (fd < 0 && errno == EACCES) {
        // A folder this user may enter but not list: its names can still be used.
        fd = OpenNoInterrupt(folder.c_str(), O_PATH | O_DIRECTORY);
    }
#endif
    if (fd < 0) {
        error =
            errno == ENOENT || errno == ENOTDIR ? ErrorInfo::of(error::kPathNotFound) : ErrorFromErrno(errno);
        return nullptr;
    }
    error = ErrorInfo::none();
    return std::make_shared<const Descriptor>(fd);
}

std::string NameOf(const std::filesystem::path& file) { return file.filename().string(); }

bool StatAt(int folder, const std::string& name, struct stat& st) {
    return ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool NamesAt(int folder, const std::string& name, FileId id) {
    struct stat st {};
    return StatAt(folder, name, st) && IdOf(st) == id;
}

bool OnlyOwnerMayChange(int folder) {
    struct stat st {};
    if (::fstat(folder, &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    return (st.st_uid == ::geteuid() || st.st_uid == 0) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool MayWrite(const struct stat& st) {
    const uid_t me = ::geteuid();
    if (me == 0) {
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    if (st.st_uid == me) {
        return (st.st_mode & S_IWUSR) != 0;
    }
    if (InGroup(st.st_gid)) {
        return (st.st_mode & S_IWGRP) != 0;
    }
    return (st.st_mode & S_IWOTH) != 0;
}

Place Resolve(const Folder& start, const std::string& name, bool& throughLink, ErrorInfo& error) {
    throughLink = false;
    Place place{start, name};
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat st {};
        if (!StatAt(place.fd(), place.name, st)) {
            error = ErrorFromErrno(errno);
            return {};
        }
        if (!S_ISLNK(st.st_mode)) {
            if (throughLink && !OnlyOwnerMayChange(place.fd())) {
                error = ErrorInfo::of(error::kUnsafeLink);
                return {};
            }
            error = ErrorInfo::none();
            return place;
        }
        if (!OnlyOwnerMayChange(place.fd())) {
            error = ErrorInfo::of(error::kUnsafeLink);
            return {};
        }
        throughLink = true;
        std::string target;
        if (!ReadLinkAt(place.fd(), place.name, target)) {
            error = ErrorFromErrno(errno);
            return {};
        }
        const std::filesystem::path next(target);
        const std::string last = next.filename().string();
        if (last.empty() || last == "." || last == "..") {
            error = ErrorInfo::of(error::kNotRegularFile);  // a link to a folder
            return {};
        }
        if (next.has_parent_path()) {
            // Relative to the folder the link is in, as the system reads links.
            const int fd = OpenAtNoInterrupt(place.fd(), next.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
            if (fd < 0) {
                error = errno == ENOENT || errno == ENOTDIR ? ErrorInfo::of(error::kFileNotFound)
                                                            : ErrorFromErrno(errno);
                return {};
            }
            place.folder = std::make_shared<const Descriptor>(fd);
        }
        place.name = last;
    }
    error = ErrorInfo::of(error::kTooManyLinks);
    return {};
}

Descriptor OpenRegularAt(int folder, const std::string& name, ErrorInfo& error) {
    struct stat before {};
    if (StatAt(folder, name, before) && !S_ISREG(before.st_mode)) {
        error = ErrorInfo::of(S_ISLNK(before.st_mode) ? error::kTooManyLinks : error::kNotRegularFile);
        return Descriptor();
    }
    Descriptor fd(OpenAtNoInterrupt(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW));
    if (fd.get() < 0) {
        error = ErrorFromErrno(errno);
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

std::string TemporaryPrefix(const std::string& name) { return "." + name + "."; }

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

ErrorInfo FlushFolder(int folder, const std::filesystem::path& shown, const StepHook& hook) {
    if (::fsync(folder) != 0 && errno != EINVAL && errno != EROFS && errno != EBADF) {
        return ErrorFromErrno(errno);
    }
    Report(hook, "flush folder", shown);
    return ErrorInfo::none();
}

int RenameNoReplaceAt(int fromFolder, const char* from, int toFolder, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
#endif
    // A file system without the no-replace rename: a hard link fails when the name exists.
    if (::linkat(fromFolder, from, toFolder, to, 0) == 0) {
        ::unlinkat(fromFolder, from, 0);
        return 0;
    }
    if (errno == EEXIST) {
        return -1;
    }
    struct stat st {};
    if (::fstatat(toFolder, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(fromFolder, from, toFolder, to);
}

}  // namespace keyloft::platform::posix
