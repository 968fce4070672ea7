#pragma once
// The fixed limits of an import. Every reader refuses a file past them before it holds it all, so
// that a small planted file cannot make an import take memory or time without bound: what an
// import holds stays a small multiple of the largest file these limits allow. Each is far beyond
// any export of a few thousand entries.

#include <cstddef>
#include <string>

namespace keyloft {

// Bytes of a file, and of all the members of a ZIP archive read from it together (unpacked).
inline constexpr std::size_t kMaxImportBytes = std::size_t{64} << 20;
// Entries (CSV rows, JSON items, XML entries, password-store files) of one import.
inline constexpr std::size_t kMaxImportRows = 100000;
// Columns of a CSV row (the header row included).
inline constexpr std::size_t kMaxImportColumns = 10000;
// Levels of nesting of JSON arrays and objects, and of XML elements.
inline constexpr std::size_t kMaxImportNesting = 100;
// Members a ZIP archive may list.
inline constexpr std::size_t kMaxZipMembers = 10000;

// The reasons given for each, to follow "cannot import: ".
// "it is larger than 64 MiB; import it in parts of that size or less"
std::string TooLargeToImportReason();
// "it holds more than 1000000 entries; import it in parts of that many or fewer"
std::string TooManyRowsReason();
// "its JSON is nested more than 100 levels deep, deeper than any export; the file is damaged or is
// not an export" (`what`: "JSON", "XML")
std::string TooDeepReason(const char* what);

}  // namespace keyloft
