#include "store/profile_history.h"

#include <sodium.h>

#include "store/profile_codec.h"

namespace keyloft {
namespace {

constexpr char16_t kSeenPrefix[] = u"Seen";
constexpr char16_t kReadablePrefix[] = u"SeenReadable";

// The prefix and 32 hexadecimal digits of a hash of the path: one setting per file, whatever
// characters its path holds.
std::u16string SettingName(std::u16string_view prefix, const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    unsigned char hash[16];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                       nullptr, 0);
    std::u16string name(prefix);
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    for (const unsigned char byte : hash) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 15];
    }
    return name;
}

// The names under which the memory of one file is kept. `own`: its folder with every link and
// ".." in the way resolved, and its own name: the one name of the file in that folder, whichever
// way the folder was reached. `target`: where the file leads when its name is itself a link (the
// same file by another name), else `own`. `typed`: the path as given, made absolute and tidied
// without looking at the disk; what earlier versions used, read until the next write moves it.
struct SettingNames {
    std::u16string own, target, typed;
};

SettingNames NamesOf(std::u16string_view prefix, const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error) absolute = file;
    const std::filesystem::path typed = absolute.lexically_normal();
    // The folder as the system resolves it: "link/.." is the folder above the link's target.
    std::filesystem::path own = typed;
    if (const std::filesystem::path folder = std::filesystem::weakly_canonical(absolute.parent_path(), error);
        !error && !absolute.filename().empty()) {
        own = folder / absolute.filename();
    }
    std::filesystem::path target = own;
    if (std::filesystem::is_symlink(own, error)) {
        if (const std::filesystem::path resolved = std::filesystem::weakly_canonical(own, error); !error)
            target = resolved;
    }
    return {SettingName(prefix, own), SettingName(prefix, target), SettingName(prefix, typed)};
}

std::optional<SeenProfile> ParseSeen(std::u16string_view value) {
    // "sealed 12" or "usual 12"
    const std::size_t space = value.find(u' ');
    if (space == std::u16string_view::npos) return std::nullopt;
    const std::u16string_view form = value.substr(0, space);
    if (form != u"sealed" && form != u"usual") return std::nullopt;
    ErrorInfo error;
    const std::optional<std::int32_t> version = ParseInt32(value.substr(space + 1), error);
    if (!version) return std::nullopt;
    return SeenProfile{form == u"sealed", *version};
}

std::optional<SeenProfile> ReadOne(SettingsStore& settings, const std::u16string& name) {
    std::u16string value;
    if (!settings.read(name, value)) return std::nullopt;
    return ParseSeen(value);
}

std::u16string SeenText(const SeenProfile& seen) {
    return (seen.sealed ? u"sealed " : u"usual ") + Int32Text(seen.version);
}

// Writes `value` under `name` unless it holds it already.
void WriteIfOther(SettingsStore& settings, const std::u16string& name, const std::u16string& value) {
    std::u16string stored;
    if (!settings.read(name, stored) || stored != value) (void)settings.write(name, value);
}

// Empties a setting that holds something.
void Clear(SettingsStore& settings, const std::u16string& name) {
    std::u16string value;
    if (settings.read(name, value) && !value.empty()) (void)settings.write(name, u"");
}

}  // namespace

std::optional<SeenProfile> ReadSeenProfile(SettingsStore& settings, const std::filesystem::path& file) {
    if (sodium_init() < 0) return std::nullopt;
    const SettingNames names = NamesOf(kSeenPrefix, file);
    // Whatever any of its names remembers counts: the most that was seen of the file.
    std::optional<SeenProfile> seen;
    for (const std::u16string* name : {&names.own, &names.target, &names.typed}) {
        if ((name != &names.own && *name == names.own) || (name == &names.typed && *name == names.target))
            continue;
        const std::optional<SeenProfile> one = ReadOne(settings, *name);
        if (!one) continue;
        if (!seen) {
            seen = one;
        } else {
            seen->sealed = seen->sealed || one->sealed;
            seen->version = NewerOf(seen->version, one->version);
        }
    }
    return seen;
}

void RememberSeenProfile(SettingsStore& settings, const std::filesystem::path& file, SeenProfile now,
                         bool usualFormAccepted) {
    if (sodium_init() < 0) return;
    SeenProfile seen = now;
    if (const std::optional<SeenProfile> before = ReadSeenProfile(settings, file)) {
        seen.version = NewerOf(now.version, before->version);
        seen.sealed = now.sealed || (before->sealed && !usualFormAccepted);
    }
    const SettingNames names = NamesOf(kSeenPrefix, file);
    const std::u16string text = SeenText(seen);
    WriteIfOther(settings, names.own, text);
    if (names.target != names.own) WriteIfOther(settings, names.target, text);
    if (names.typed != names.own && names.typed != names.target) Clear(settings, names.typed);
}

void ForgetSeenProfile(SettingsStore& settings, const std::filesystem::path& file) {
    if (sodium_init() < 0) return;
    for (const std::u16string_view prefix : {kSeenPrefix, kReadablePrefix}) {
        const SettingNames names = NamesOf(prefix, file);
        Clear(settings, names.own);
        Clear(settings, names.typed);
    }
}

bool ReadKeptReadable(SettingsStore& settings, const std::filesystem::path& file) {
    if (sodium_init() < 0) return false;
    const SettingNames names = NamesOf(kReadablePrefix, file);
    for (const std::u16string* name : {&names.own, &names.typed}) {
        std::u16string value;
        if (settings.read(*name, value) && value == u"yes") return true;
    }
    return false;
}

void RememberKeptReadable(SettingsStore& settings, const std::filesystem::path& file, bool kept) {
    if (sodium_init() < 0) return;
    const SettingNames names = NamesOf(kReadablePrefix, file);
    WriteIfOther(settings, names.own, kept ? u"yes" : u"");
    if (names.typed != names.own) Clear(settings, names.typed);
}

bool RolledBackBesideNewerCopy(const SeenProfile& seen, const SeenProfile& now,
                               std::optional<std::int32_t> newestCopy) {
    return !(seen.sealed && !now.sealed) && VersionIsNewer(seen.version, now.version) && newestCopy &&
           !VersionIsNewer(seen.version, *newestCopy);
}

std::u16string ReplacedFileMessage(std::u16string_view profileName, const SeenProfile& seen,
                                   const SeenProfile& now, std::optional<std::int32_t> newestCopy) {
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
        what =
            u"was sealed when you last used it, and its file is not sealed now: anyone who can copy the file "
            u"can read it.";
    } else if (VersionIsNewer(seen.version, now.version)) {
        what = older + u": changes made since then are not in it.";
    } else {
        return {};
    }
    return profile + what +
           u" The file may have been replaced by an older or a readable copy.\n\nOpen it anyway?";
}

}  // namespace keyloft
