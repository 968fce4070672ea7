#include "cli/owner_only_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "store/utf8_text.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace keyloft::cli {

#ifdef _WIN32

// A new file in the user's profile folders inherits the folder's rights, which on Windows are the
// user's own. The file is opened once as itself (a link or other name-surrogate reparse point is
// not followed) and emptied only once it shows as an ordinary file with one name.
std::optional<std::string> WriteOwnerOnlyFile(const std::string& utf8Path, std::string_view bytes) {
    const std::filesystem::path path = PathFromUtf8(utf8Path);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string("cannot open the file");
    std::optional<std::string> failure;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        failure = "it is not a regular file";
    else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        failure = "it is a link, which is not followed";
    else if (info.nNumberOfLinks != 1)
        failure = "it has other names (hard links), which could be another user's";
    LARGE_INTEGER zero{};
    if (!failure && (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(h)))
        failure = "cannot empty the file";
    for (std::size_t done = 0; !failure && done < bytes.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            failure = "cannot write the file";
        done += written;
    }
    if (!failure && !FlushFileBuffers(h)) failure = "cannot write the file";
    CloseHandle(h);
    return failure;
}

bool OutputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

#else

namespace {

std::optional<std::string> WriteAll(int fd, std::string_view bytes) {
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
        failure = WriteAll(fd, bytes);
    if (::close(fd) != 0 && !failure) failure = std::strerror(errno);
    return failure;
}

bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

#endif

}  // namespace keyloft::cli
