#include "platform/owner_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace keyloft::platform {
namespace {

std::optional<std::string> WriteAllAndFlush(int fd, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::string(std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return std::string(std::strerror(errno));
    return std::nullopt;
}

}  // namespace

// The file is opened once, never through a link and without waiting for a pipe's reader; only a
// regular file of this user's with no other name is written, and it is made 0600 before it is
// emptied: a file that will not be written is left as it was.
std::optional<std::string> WriteOwnerOnlyFile(const std::string& utf8Path, std::string_view bytes) {
    constexpr int kFlags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(utf8Path.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(utf8Path.c_str(), kFlags | O_CREAT | O_EXCL, S_IRUSR | S_IWUSR);
    }
    if (fd < 0) {
        if (errno == ELOOP) return std::string("it is a symbolic link, which is not followed");
        if (errno == ENXIO) return std::string("it is not a regular file");
        return std::string(std::strerror(errno));
    }
    std::optional<std::string> failure;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        failure = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        failure = "it is not a regular file";
    else if (st.st_uid != ::geteuid())
        failure = "it belongs to another user";
    else if (st.st_nlink != 1)
        failure = "it has other names (hard links), which could be another user's";
    // An existing file keeps its mode: take away everyone else's rights before a byte is written.
    else if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0 || ::ftruncate(fd, 0) != 0)
        failure = std::strerror(errno);
    else
        failure = WriteAllAndFlush(fd, bytes);
    if (::close(fd) != 0 && !failure) failure = std::strerror(errno);
    return failure;
}

}  // namespace keyloft::platform
