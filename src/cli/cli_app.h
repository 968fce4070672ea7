#pragma once

#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/session.h"

namespace keyloft::cli {

// Parses the command line, runs the chosen command and returns the exit status.
int RunCli(int argc, char** argv);

// One line of `shell`, split into words (a command and its options, the profile's name put in):
// parsed with the shell's options as defaults and run; returns the exit status.
int RunShellLine(const std::vector<std::string>& words, const GlobalOptions& shellOptions, Console& console);

}  // namespace keyloft::cli
