#include "platform/program_runner.h"

namespace keyloft::platform {

// The pass program and its key agent live on POSIX systems; on Windows nothing is started and the
// caller says that the program was not found.
ProgramRun RunProgram(const std::vector<std::string>&,
                      const std::vector<std::pair<std::string, std::string>>&, std::size_t) {
    return {};
}

}  // namespace keyloft::platform
