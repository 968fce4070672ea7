#pragma once
// How much of a file Keyloft reads before it refuses it: fixed limits that every reader of files
// from the database folder (a profile, its backup, a conflict copy, `verify`) and of files to
// import applies while it reads, before it holds the whole file. A file that someone planted to
// read without end, or to fill memory, is refused as soon as it passes them.
//
// They leave room to spare for the largest profiles in use: a profile of 110,000 entries of about
// 100 characters each is 56.5 MB and 110,028 lines in the usual form, 35.4 MB and 453,416 lines
// sealed; the 10,000-entry profiles of the benchmarks are a tenth of that (5.8 MB usual).

#include <cstddef>
#include <cstdint>

namespace keyloft {

// The longest line a profile file may hold (bytes, without its ending). Writers keep every field
// short enough (kMaxFieldLength in store/entry.h) that no record they write comes near it.
inline constexpr std::size_t kMaxProfileLineLength = std::size_t{16} << 20;
// The most a profile file may hold: its lines with one byte for each line's end, and its lines.
inline constexpr std::uint64_t kMaxProfileFileBytes = std::uint64_t{64} << 20;
inline constexpr std::size_t kMaxProfileFileLines = 1'000'000;

// A file to import (src/import/import_limits.h gives the reasons an import is refused with). An
// import keeps the rows it reads until it is saved, about 1.3 KiB an entry: 100,000 ordinary rows
// stay below 150 MiB.
// Bytes of a file, and of all the members of a ZIP archive read from it together (unpacked).
inline constexpr std::size_t kMaxImportBytes = std::size_t{64} << 20;
// Entries (CSV rows, JSON items, XML entries, password-store files) of one import; the group names
// a JSON or XML reader holds while it reads count with them.
inline constexpr std::size_t kMaxImportRows = 100'000;
// Columns of a CSV row (the header row included).
inline constexpr std::size_t kMaxImportColumns = 10'000;
// Levels of nesting of JSON arrays and objects, and of XML elements.
inline constexpr std::size_t kMaxImportNesting = 100;
// Members a ZIP archive may list.
inline constexpr std::size_t kMaxZipMembers = 10'000;

}  // namespace keyloft
