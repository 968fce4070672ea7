#pragma once
// Conflict copies: the files a file-sync engine leaves beside a profile when two machines changed
// it at once. They are not profiles of their own; each belongs to the profile whose name it starts
// with, and its entries can be merged back into that profile.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/entry.h"
#include "store/sealing_limits.h"

namespace keyloft {

class FileSystem;
struct Profile;
namespace sealed {
struct Keys;
}

// The profile a file name (with its ".dat") is a conflict copy of, when it has one of the forms
// that sync engines write:
//   NAME.sync-conflict-<date>-<time>-<device>.dat
//   NAME (conflicted copy <date>).dat, NAME (<someone>'s conflicted copy <date>).dat
//   NAME (conflict <date>).dat, NAME_conflict-<date>-<time>.dat
// Nothing for every other name, a profile's own file included.
std::optional<std::u16string> ProfileOfConflictCopy(std::u16string_view fileName);

// What merging a conflict copy into its profile adds: every entry of the copy that is not equal in
// all fields to an entry of the profile (so an entry edited on one machine and removed on the
// other comes back edited, and nothing is lost), and every category of the copy that the profile
// has in no letter case. Both in the copy's order.
struct MergePlan {
    std::vector<Entry> entries;
    std::vector<std::u16string> categories;

    bool empty() const { return entries.empty() && categories.empty(); }
};
MergePlan PlanMerge(const std::vector<Entry>& profileEntries, const std::vector<std::u16string>& profileCategories,
                    const std::vector<Entry>& copyEntries, const std::vector<std::u16string>& copyCategories);

// Reads a conflict copy with the logon of the loaded profile: a copy in the usual form must hold
// the same logon details; a sealed copy must open with the loaded profile's data key or its logon
// slot with the loaded logon details, and its slots ask for no less than `floor`. Nothing (with
// `problem` set) when the copy cannot be read so.
std::optional<Profile> ReadConflictCopy(FileSystem& files, const std::filesystem::path& file, const Profile& loaded,
                                        const sealed::Keys* keys, const sealed::Limits& floor, std::u16string& problem);

inline constexpr char16_t kCopyOtherLogonText[] = u"it was saved with another logon";
inline constexpr char16_t kCopyDamagedText[] = u"it is damaged";

}  // namespace keyloft
