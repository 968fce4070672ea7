#include "cli/owner_only_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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
// user's own; the read-only bit is all the standard library can set, and is left clear.
std::optional<std::string> WriteOwnerOnlyFile(const std::string& utf8Path, std::string_view bytes) {
    std::ofstream out(PathFromUtf8(utf8Path), std::ios::binary | std::ios::trunc);
    if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush())
        return std::string("cannot write the file");
    return std::nullopt;
}

bool OutputIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

#else

std::optional<std::string> WriteOwnerOnlyFile(const std::string& utf8Path, std::string_view bytes) {
    const int fd = ::open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) return std::string(std::strerror(errno));
    // An existing file keeps its mode through O_CREAT: take away everyone else's rights first.
    std::optional<std::string> failure;
    if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) failure = std::strerror(errno);
    for (std::size_t done = 0; !failure && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            failure = std::strerror(errno);
        else
            done += static_cast<std::size_t>(n);
    }
    if (!failure && ::fsync(fd) != 0) failure = std::strerror(errno);
    if (::close(fd) != 0 && !failure) failure = std::strerror(errno);
    return failure;
}

bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

#endif

}  // namespace keyloft::cli
