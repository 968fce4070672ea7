#include "store/profile_history.h"

#include <sodium.h>

#include "store/profile_codec.h"

namespace keyloft {
namespace {

constexpr char16_t kReadablePrefix[] = u"SeenReadable";

// "Seen" and 32 hexadecimal digits of a hash of the file's absolute path: one setting per file,
// whatever characters its path holds.
std::u16string SettingName(const std::filesystem::path& file, std::u16string_view prefix = u"Seen") {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error) absolute = file;
    const std::u8string text = absolute.lexically_normal().generic_u8string();
    unsigned char hash[16];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(text.data()), text.size(), nullptr,
                       0);
    std::u16string name(prefix);
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    for (const unsigned char byte : hash) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 15];
    }
    return name;
}

}  // namespace

std::optional<SeenProfile> ReadSeenProfile(SettingsStore& settings, const std::filesystem::path& file) {
    if (sodium_init() < 0) return std::nullopt;
    std::u16string value;
    if (!settings.read(SettingName(file), value)) return std::nullopt;
    // "sealed 12" or "usual 12"
    const std::size_t space = value.find(u' ');
    if (space == std::u16string::npos) return std::nullopt;
    const std::u16string_view form = std::u16string_view(value).substr(0, space);
    if (form != u"sealed" && form != u"usual") return std::nullopt;
    ErrorInfo error;
    const std::optional<std::int32_t> version = ParseInt32(std::u16string_view(value).substr(space + 1), error);
    if (!version) return std::nullopt;
    return SeenProfile{form == u"sealed", *version};
}

void RememberSeenProfile(SettingsStore& settings, const std::filesystem::path& file, SeenProfile now,
                         bool usualFormAccepted) {
    if (sodium_init() < 0) return;
    SeenProfile seen = now;
    if (const std::optional<SeenProfile> before = ReadSeenProfile(settings, file)) {
        seen.version = NewerOf(now.version, before->version);
        seen.sealed = now.sealed || (before->sealed && !usualFormAccepted);
        if (seen.sealed == before->sealed && seen.version == before->version) return;
    }
    (void)settings.write(SettingName(file), (seen.sealed ? u"sealed " : u"usual ") + Int32Text(seen.version));
}

void ForgetSeenProfile(SettingsStore& settings, const std::filesystem::path& file) {
    if (sodium_init() < 0) return;
    for (const std::u16string& name : {SettingName(file), SettingName(file, kReadablePrefix)}) {
        std::u16string value;
        if (settings.read(name, value) && !value.empty()) (void)settings.write(name, u"");
    }
}

bool ReadKeptReadable(SettingsStore& settings, const std::filesystem::path& file) {
    std::u16string value;
    return sodium_init() >= 0 && settings.read(SettingName(file, kReadablePrefix), value) && value == u"yes";
}

void RememberKeptReadable(SettingsStore& settings, const std::filesystem::path& file, bool kept) {
    if (sodium_init() < 0) return;
    (void)settings.write(SettingName(file, kReadablePrefix), kept ? u"yes" : u"");
}

bool RolledBackBesideNewerCopy(const SeenProfile& seen, const SeenProfile& now, std::optional<std::int32_t> newestCopy) {
    return !(seen.sealed && !now.sealed) && VersionIsNewer(seen.version, now.version) && newestCopy &&
           !VersionIsNewer(seen.version, *newestCopy);
}

std::u16string ReplacedFileMessage(std::u16string_view profileName, const SeenProfile& seen, const SeenProfile& now,
                                   std::optional<std::int32_t> newestCopy) {
    const std::u16string profile = u"The profile \"" + std::u16string(profileName) + u"\" ";
    const std::u16string older = u"holds version " + Int32Text(now.version) + u", older than version " +
                                 Int32Text(seen.version) + u" that you last used";
    if (RolledBackBesideNewerCopy(seen, now, newestCopy)) {
        return profile + older + u", and a conflict copy beside it holds version " + Int32Text(*newestCopy) +
               u": a file-sync engine kept another machine's older file and left yours as a conflict copy. "
               u"Merging the copy into the profile brings back what is only in it.\n\n"
               u"Open the profile and merge the copy?";
    }
    std::u16string what;
    if (seen.sealed && !now.sealed) {
        what = u"was sealed when you last used it, and its file is not sealed now: anyone who can copy the file "
               u"can read it.";
    } else if (VersionIsNewer(seen.version, now.version)) {
        what = older + u": changes made since then are not in it.";
    } else {
        return {};
    }
    return profile + what + u" The file may have been replaced by an older or a readable copy.\n\nOpen it anyway?";
}

}  // namespace keyloft
