#pragma once
// Conflict copies: the files a file-sync engine leaves beside a profile when two machines changed
// it at once. They are not profiles of their own; each belongs to the profile whose name it starts
// with, and its entries can be merged back into that profile.

#include <optional>
#include <string>
#include <string_view>

namespace keyloft {

// The profile a file name (with its ".dat") is a conflict copy of, when it has one of the forms
// that sync engines write:
//   NAME.sync-conflict-<date>-<time>-<device>.dat
//   NAME (conflicted copy <date>).dat, NAME (<someone>'s conflicted copy <date>).dat
//   NAME (conflict <date>).dat, NAME_conflict-<date>-<time>.dat
// Nothing for every other name, a profile's own file included.
std::optional<std::u16string> ProfileOfConflictCopy(std::u16string_view fileName);

}  // namespace keyloft
