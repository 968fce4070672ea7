#pragma once
// What this user last saw of each profile file: whether it was sealed and its version. It is kept
// in the user's own settings (never in the shared folder, where whoever replaces a file could
// change it too), under a name made from the file's path with the links and ".." of its folder
// resolved, so that the folder reached another way (a link to it, "a/../a") is the same file; a
// file whose name is a link is remembered under the file it leads to as well. What any of those
// names, or the path as given (the name of earlier versions), remembers counts; a write moves
// the memory from the path as given to the resolved names. Opening a profile that was sealed and
// now is not, or whose version went back, is then noticed: the file may have been replaced by an
// older or a readable copy.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "store/settings_store.h"

namespace keyloft {

struct SeenProfile {
    bool sealed = false;
    std::int32_t version = 0;
};

std::optional<SeenProfile> ReadSeenProfile(SettingsStore& settings, const std::filesystem::path& file);
// Moves what this user remembers of the file on to `now`, and never back: the version only to a
// newer one (store/profile_codec.h: VersionIsNewer), so that a file found at an older version does
// not lower it, and the form from sealed to the usual form only when `usualFormAccepted` (the user
// chose the usual form, or said to open the file in it).
void RememberSeenProfile(SettingsStore& settings, const std::filesystem::path& file, SeenProfile now,
                         bool usualFormAccepted = false);
// Forgets what was seen of the file and whether it is kept readable (the profile was deleted).
void ForgetSeenProfile(SettingsStore& settings, const std::filesystem::path& file);

// Whether this user chose to keep the file in the usual form (Setup's seal box unticked by them),
// so that it is not offered for sealing again.
bool ReadKeptReadable(SettingsStore& settings, const std::filesystem::path& file);
void RememberKeptReadable(SettingsStore& settings, const std::filesystem::path& file, bool kept);

// Whether the file went back to an older version since `seen` and a conflict copy of it holds
// `seen`'s version or a newer one (`newestCopy`): a file-sync engine kept another machine's older
// file and left this user's as a copy. Merging the copy brings everything back.
bool RolledBackBesideNewerCopy(const SeenProfile& seen, const SeenProfile& now,
                               std::optional<std::int32_t> newestCopy);

// What changed since `seen` that the user is asked about, in one message naming the profile; empty
// when nothing did. Versions count up and wrap from kVersionWrap - 1 to 1. When the file went back
// beside a newer copy, the message says so and asks whether to open the profile and merge the copy.
std::u16string ReplacedFileMessage(std::u16string_view profileName, const SeenProfile& seen,
                                   const SeenProfile& now,
                                   std::optional<std::int32_t> newestCopy = std::nullopt);

}  // namespace keyloft
