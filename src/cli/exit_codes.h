#pragma once
// Exit status of keyloft-cli, as listed in its --help.

namespace keyloft::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,       // a file failed verification, a check refused the input, no such row...
    kExitUsage = 2,         // bad command line
    kExitLogonRefused = 3,  // wrong (or missing) logon details
    kExitConflict = 4,      // another user saved the profile first: nothing written
    kExitSaveFailed = 5,    // the save failed: the profile file is as it was
    kExitNotLoaded = 6,     // the profile could not be loaded (missing, held by another user, damaged)
    kExitEndedAtOnce = 7,   // a line that cannot be decrypted: the program ended without saving
};

inline constexpr char kExitCodeHelp[] =
    "Exit status:\n"
    "  0  success\n"
    "  1  failure: a file failed verification, input refused by a check, no such row or category\n"
    "  2  usage error\n"
    "  3  logon details incorrect or missing\n"
    "  4  conflict: another user saved the profile first; nothing was written\n"
    "  5  save failed; the profile file is as it was\n"
    "  6  profile could not be loaded (missing, held by another user, damaged)\n"
    "  7  a line of the profile could not be decrypted (\"Invalid data.\"); ended without saving\n";

}  // namespace keyloft::cli
