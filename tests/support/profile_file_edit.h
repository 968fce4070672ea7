#pragma once
// Edits of a written profile file that keep it decryptable, for tests that damage a file in a
// way only one particular check can notice.

#include <cstdint>
#include <string>
#include <string_view>

namespace keyloft::testing {

// The file with its version record (line 3) written again with 16 blanks before the number: a
// sound record with a correct sum and the same version, one cipher block (64 characters) longer.
// The line count stays, so only the trailer's total length tells. Empty when line 3 is not a
// readable version record.
std::string LengthenVersionLine(std::string_view fileBytes);

// The file with its version record (line 3) written again with a wrong record sum. Empty when
// line 3 is not a readable version record.
std::string BreakVersionSum(std::string_view fileBytes);

// A sealed file with the version of its header set to `version` and its check line made again,
// as anyone can without a key; the body's authentication (and so the logon) then fails. Empty when
// the file has no version line.
std::string WithSealedHeaderVersion(std::string_view sealedFileBytes, std::int32_t version);

}  // namespace keyloft::testing
