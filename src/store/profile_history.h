#pragma once
// What this user last saw of each profile file: whether it was sealed and its version. It is kept
// in the user's own settings (never in the shared folder, where whoever replaces a file could
// change it too), under a name made from the file's path. Opening a profile that was sealed and
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
void RememberSeenProfile(SettingsStore& settings, const std::filesystem::path& file, SeenProfile seen);
// Forgets what was seen of the file and whether it is kept readable (the profile was deleted).
void ForgetSeenProfile(SettingsStore& settings, const std::filesystem::path& file);

// Whether this user chose to keep the file in the usual form (Setup's seal box unticked by them),
// so that it is not offered for sealing again.
bool ReadKeptReadable(SettingsStore& settings, const std::filesystem::path& file);
void RememberKeptReadable(SettingsStore& settings, const std::filesystem::path& file, bool kept);

// What changed since `seen` that the user is asked about, in one message naming the profile; empty
// when nothing did. Versions count up and wrap from kVersionWrap - 1 to 1.
std::u16string ReplacedFileMessage(std::u16string_view profileName, const SeenProfile& seen, const SeenProfile& now);

}  // namespace keyloft
