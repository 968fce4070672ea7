#pragma once

namespace keyloft::cli {

// Parses the command line, runs the chosen command and returns the exit status.
int RunCli(int argc, char** argv);

}  // namespace keyloft::cli
