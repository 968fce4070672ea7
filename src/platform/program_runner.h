#pragma once
// Runs another program to its end and collects what it writes (keyloft-cli reads a password store
// through the pass program this way). Standard input is the null device.

#include <string>
#include <utility>
#include <vector>

namespace keyloft::platform {

struct ProgramRun {
    bool started = false;  // false: the program was not found or could not be started
    int exitCode = -1;     // -1 when it was ended by a signal
    std::string out, err;
};

// args[0] is looked up on PATH. `environment` is added to (or replaces in) this process's own.
ProgramRun RunProgram(const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& environment);

}  // namespace keyloft::platform
