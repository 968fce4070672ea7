#include "support/temp_folder.h"

#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace keyloft::testing {
namespace {

constexpr std::string_view kPrefix = "keyloft-test-pid";

// Makes every folder under `folder` writable again, then removes it all.
void RemoveTree(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        }
    }
    std::filesystem::remove_all(folder, error);
}

// The process id in a folder name made by TempFolder, or 0 when the name is not one of ours.
pid_t OwnerOf(std::string_view name) {
    if (name.substr(0, kPrefix.size()) != kPrefix) {
        return 0;
    }
    name.remove_prefix(kPrefix.size());
    pid_t pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc{} || end == name.data() + name.size() || *end != '-') {
        return 0;
    }
    return pid;
}

#ifdef _WIN32
pid_t CurrentProcess() { return static_cast<pid_t>(::GetCurrentProcessId()); }
bool ProcessRuns(pid_t pid) {
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}
#else
pid_t CurrentProcess() { return ::getpid(); }
bool ProcessRuns(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }
#endif

// A test program runs five minutes at most (its CTest limit). A folder changed more recently may
// belong to a test process this one cannot see (another process namespace sharing the folder).
bool OldEnough(const std::filesystem::path& folder) {
    std::error_code error;
    const auto changed = std::filesystem::last_write_time(folder, error);
    return !error && std::filesystem::file_time_type::clock::now() - changed > std::chrono::minutes(10);
}

}  // namespace

int TempFolder::removeLeftovers(const std::filesystem::path& base) {
    int removed = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(base, error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const pid_t owner = OwnerOf(it->path().filename().string());
        if (owner <= 0 || owner == CurrentProcess() || ProcessRuns(owner) || !OldEnough(it->path())) {
            continue;
        }
        RemoveTree(it->path());
        ++removed;
    }
    return removed;
}

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    static std::once_flag cleaned;
    std::call_once(cleaned, [&base] { removeLeftovers(base); });
    std::random_device device;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << kPrefix << CurrentProcess() << '-' << std::hex << device() << '-' << stamp << '-'
             << counter++;
        std::error_code error;
        if (std::filesystem::create_directory(base / name.str(), error) && !error) {
            path_ = base / name.str();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string TempFolder::readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void TempFolder::writeFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace keyloft::testing
