#pragma once
// The one place where operating-system error codes become the storage's error numbers.

#include <filesystem>

#include "store/error_codes.h"

namespace keyloft::platform {

// errno value → error number and description.
ErrorInfo ErrorFromErrno(int errorNumber);
// As above for a failure on `file`: a missing folder on the way gives 76 "Path not found" rather
// than 53 "File not found".
ErrorInfo ErrorFromErrno(int errorNumber, const std::filesystem::path& file);

}  // namespace keyloft::platform
