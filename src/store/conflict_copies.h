#pragma once
// Conflict copies: the files a file-sync engine leaves beside a profile when two machines changed
// it at once. They are not profiles of their own; each belongs to the profile whose name it starts
// with, and its entries can be merged back into that profile.
//
// A copy is merged into the loaded profile only when all of these hold (anything else is named to
// the user and left where it is):
//   - its name has the shape one of the engines gives a copy of that profile (with the engine's
//     date, time and device marks: ProfileOfConflictCopy);
//   - the name bears a regular file of its own: not a symbolic link, folder, device or pipe;
//   - it is sound: every record sum and the trailer (the usual form), the header, framing, check
//     line and key slots (sealed);
//   - it opens with the loaded profile's logon: the same logon mode, and the same password, user
//     ID (modes 2 and 3) and PIN (mode 3); a sealed copy with the loaded data key or its logon
//     slot opened by those details;
//   - it is a copy of this profile: it carries the loaded profile's identity (Profile::identity),
//     or opens with the loaded profile's data key. A copy of another identity is never merged. A
//     copy that shows neither (saved by an earlier version, or beside a profile that was) is
//     merged only when the user says so. In the sealed form the identity is covered by the
//     body's authentication; in the usual form anyone who can read a file can copy its identity,
//     as they can write the profile itself: it tells copies of different profiles apart and no more.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "store/entry.h"
#include "store/file_system.h"
#include "store/profile.h"
#include "store/sealing_limits.h"

namespace keyloft {

namespace sealed {
struct Keys;
}

// The profile a file name (with its ".dat") is a conflict copy of, when it has one of the forms
// that sync engines write, dates and times as they write them (Y, M, D, h, m, s digits):
//   NAME.sync-conflict-YYYYMMDD-hhmmss-DEVICE.dat      Syncthing (DEVICE: 7 letters and digits)
//   NAME (conflicted copy YYYY-MM-DD).dat              Dropbox
//   NAME (<someone>'s conflicted copy YYYY-MM-DD).dat  Dropbox
//   NAME (conflicted copy YYYY-MM-DD hhmmss).dat       Nextcloud, ownCloud
//   NAME (conflict YYYY-MM-DD-hhmmss).dat              Nextcloud, ownCloud
//   NAME_conflict-YYYYMMDD-hhmmss.dat                  ownCloud
// Nothing for every other name, a profile's own file included.
std::optional<std::u16string> ProfileOfConflictCopy(std::u16string_view fileName);

// The identity a new profile gets: 32 hexadecimal digits from the system's random source.
std::string NewProfileIdentity();

// What merging one copy adds.
struct MergePlan {
    std::vector<const Entry*> entries;  // the copy's entries, in its order
    std::vector<std::u16string> categories;

    bool empty() const { return entries.empty() && categories.empty(); }
};

// The one planner of a merge, for its preview and for the merge itself: copies given one after the
// other each add every entry that is not equal in all fields to an entry of the profile or of a
// copy given before (so an entry edited on one machine and removed on the other comes back edited,
// nothing is lost, and an entry that two copies hold is added once), and every category that
// neither has in any letter case. The profile's entries and the copies must outlive the planner.
class MergePlanner {
  public:
    MergePlanner(const std::vector<Entry>& profileEntries, const CategoryList& profileCategories);
    MergePlan add(const Profile& copy);

  private:
    struct EntryPointerHash {
        std::size_t operator()(const Entry* entry) const { return EntryHash{}(*entry); }
    };
    struct EntryPointerEqual {
        bool operator()(const Entry* a, const Entry* b) const { return *a == *b; }
    };
    std::unordered_set<const Entry*, EntryPointerHash, EntryPointerEqual> entries_;
    std::unordered_set<std::u16string> categories_;  // folded
};

// One conflict copy read with the logon of the loaded profile.
struct ConflictCopyRead {
    std::optional<Profile> profile;  // what it holds, when it can be merged (wiped when it goes)
    std::u16string problem;          // why it cannot be; empty when it can
    bool proven = false;             // it shows that it is a copy of the loaded profile
    std::int32_t version = 0;
    std::unique_ptr<ReadableFile> held;  // the copy, held from its read until it is removed or let go

    ConflictCopyRead() = default;
    ConflictCopyRead(ConflictCopyRead&&) = default;
    ConflictCopyRead& operator=(ConflictCopyRead&&) = default;
    ~ConflictCopyRead();
};

// Reads the copy `file` (a name `kind` bears, as the folder listing showed it) with the logon of
// the loaded profile; `keys` are its sealed keys (null in the usual form) and `floor` the least
// limits a sealed copy's slots may ask for.
ConflictCopyRead ReadConflictCopy(FileSystem& files, const std::filesystem::path& file, EntryKind kind,
                                  const Profile& loaded, const sealed::Keys* keys,
                                  const sealed::Limits& floor);

// The version a copy holds, read without a logon (its header in the sealed form); nothing when it
// cannot be read so or the name bears anything but a regular file of its own.
std::optional<std::int32_t> VersionOfConflictCopy(FileSystem& files, const std::filesystem::path& file,
                                                  const sealed::Limits& floor);

// The question asked before copies that nothing shows to be of this profile are merged (default No).
std::u16string UnprovenCopiesQuestion(const std::vector<std::u16string>& fileNames);

inline constexpr char16_t kCopyOtherLogonText[] = u"it was saved with another logon";
inline constexpr char16_t kCopyDamagedText[] = u"it is damaged";
inline constexpr char16_t kCopyNotAFileText[] =
    u"it is not a file of its own (a link, a folder, a device or a pipe)";
inline constexpr char16_t kCopyOtherProfileText[] = u"it is a copy of another profile";
inline constexpr char16_t kCopyUnprovenText[] =
    u"nothing in it shows that it is a copy of this profile and not of another one with the same logon "
    u"(an earlier version of Keyloft saved it or the profile)";

}  // namespace keyloft
