#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/small_file.h"

namespace keyloft::platform {

SmallFile ReadSmallRegularFile(const std::filesystem::path& file, std::size_t maxBytes) {
    SmallFile result;
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP) {
            result.outcome = SmallFile::Outcome::Refused;
        }
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        result.outcome = SmallFile::Outcome::Refused;
        return result;
    }
    // Never more than the limit, even when the file grows while it is read.
    result.bytes.resize(maxBytes + 1);
    std::size_t done = 0;
    while (done < result.bytes.size()) {
        const ssize_t n = ::read(fd, result.bytes.data() + done, result.bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    result.bytes.resize(done);
    result.outcome = done > maxBytes ? SmallFile::Outcome::Refused : SmallFile::Outcome::Read;
    if (done > maxBytes) {
        result.bytes.clear();
    }
    return result;
}

}  // namespace keyloft::platform
