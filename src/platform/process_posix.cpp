// The running program: where it lives, and what a crash may leave behind.

#include <sys/resource.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <filesystem>

#include "platform/platform_core.h"

namespace keyloft::platform {

std::filesystem::path ApplicationFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && program.has_parent_path()) {
        return program.parent_path();
    }
    return std::filesystem::current_path(error);
}

void DisableCoreDumps() {
    const struct rlimit none { 0, 0 };
    (void)::setrlimit(RLIMIT_CORE, &none);
#ifdef __linux__
    (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

}  // namespace keyloft::platform
