#pragma once
// Read-only check of a profile file without a logon and without any window: runs every check the
// loader makes and reports the first fault as text. Never ends the program, never shows anything,
// never changes the file, and copes with any bytes.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/sealing_limits.h"

namespace keyloft {

class FileSystem;

struct VerifyReport {
    bool ok = false;            // every check passed: the loader would load this file
    std::u16string fault;       // the first fault as one line of text; empty when ok
    std::size_t faultLine = 0;  // 1-based line of the first fault; 0 for the whole file
    std::size_t lineCount = 0;  // lines in the file (read from disk: up to a fault that ends the check)
    std::optional<std::int32_t> version;  // from the version record, when one was read
    std::size_t entryCount = 0;           // entry records read
    std::size_t categoryCount = 0;
    std::size_t questionCount = 0;
    // A sealed file: its header, framing and check line are checked; its records need a key, so
    // the counts above stay 0 apart from the questions, which its header shows.
    bool sealed = false;
    std::size_t slotCount = 0;
};

// Checks file contents. A sealed file's slots may ask for no less than `floor` (the program's
// loader uses libsodium's INTERACTIVE limits).
VerifyReport VerifyProfileBytes(std::string_view bytes,
                                const sealed::Limits& floor = sealed::InteractiveLimits());
// Opens, holds while reading, and checks a file line by line (a file that another instance holds, or that is
// missing, gives a fault naming the error number and description).
VerifyReport VerifyProfileFile(FileSystem& files, const std::filesystem::path& file,
                               const sealed::Limits& floor = sealed::InteractiveLimits());

}  // namespace keyloft
