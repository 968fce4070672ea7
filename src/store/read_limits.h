#pragma once
// How much of a file Keyloft reads before it refuses it: fixed limits that every reader of files
// from the database folder (a profile, its backup, a conflict copy, `verify`) and of files to
// import applies while it reads, before it holds the whole file. A file that someone planted to
// read without end, or to fill memory, is refused as soon as it passes them.
//
// They leave room to spare for the largest profiles in use: a profile of 10,000 entries of about
// 115 characters each is 5.8 MB and 10,030 lines in the usual form, 3.3 MB and 44,000 lines sealed.

#include <cstddef>
#include <cstdint>

namespace keyloft {

// The longest line a profile file may hold (bytes, without its ending). Writers keep every field
// short enough (kMaxFieldLength in store/entry.h) that no record they write comes near it.
inline constexpr std::size_t kMaxProfileLineLength = std::size_t{16} << 20;
// The most a profile file may hold: its lines with one byte for each line's end, and its lines.
inline constexpr std::uint64_t kMaxProfileFileBytes = std::uint64_t{64} << 20;
inline constexpr std::size_t kMaxProfileFileLines = 1'000'000;

}  // namespace keyloft
