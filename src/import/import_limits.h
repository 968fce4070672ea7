#pragma once
// The reasons an import is refused with when a file passes the fixed limits of store/read_limits.h
// (kMaxImportBytes, kMaxImportRows, kMaxImportColumns, kMaxImportNesting, kMaxZipMembers), which
// every import reader applies before it holds the whole file, so that a small planted file cannot
// make an import take memory or time without bound.

#include <string>

#include "store/read_limits.h"

namespace keyloft {

// Each follows "cannot import: ".
// "it is larger than 64 MiB; import it in parts of that size or less"
std::string TooLargeToImportReason();
// "it holds more than 100000 entries; import it in parts of that many or fewer"
std::string TooManyRowsReason();
// "its JSON is nested more than 100 levels deep, deeper than any export; the file is damaged or is
// not an export" (`what`: "JSON", "XML")
std::string TooDeepReason(const char* what);

}  // namespace keyloft
