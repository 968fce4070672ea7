#pragma once
// Runs another program to its end and collects what it writes (keyloft-cli reads a password store
// through the pass program this way). Standard input is the null device.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace keyloft::platform {

struct ProgramRun {
    bool started = false;  // false: the program was not found or could not be started
    int exitCode = -1;     // -1 when it was ended by a signal
    std::string out, err;
    bool outputCut = false;  // it wrote more than the caller's limit: it was ended, out holds the limit
};

// args[0] is looked up on PATH. `environment` is added to (or replaces in) this process's own. A
// program that writes more than `maxOutput` bytes to either stream is ended there (outputCut).
ProgramRun RunProgram(const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& environment,
                      std::size_t maxOutput = static_cast<std::size_t>(-1));

}  // namespace keyloft::platform
