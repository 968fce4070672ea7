#include "store/conflict_copies.h"

#include <sodium.h>

#include <algorithm>
#include <new>

#include "store/bounded_lines.h"
#include "store/profile_codec.h"
#include "store/sealed_profile.h"
#include "store/secret_memory.h"

namespace keyloft {
namespace {

constexpr std::u16string_view kExtension = u".dat";

bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char16_t a, char16_t b) {
                          const auto lower = [](char16_t c) {
                              return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
                          };
                          return lower(a) == lower(b);
                      });
}

// Reads the marks of an engine's copy name from the front of a text, one part at a time.
class NameShape {
  public:
    explicit NameShape(std::u16string_view text) : rest_(text) {}

    bool literal(std::u16string_view part) {
        if (rest_.substr(0, part.size()) != part) return false;
        rest_.remove_prefix(part.size());
        return true;
    }
    // `count` decimal digits, read as a number between `least` and `most`.
    bool number(std::size_t count, int least, int most) {
        if (rest_.size() < count) return false;
        int value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (rest_[i] < u'0' || rest_[i] > u'9') return false;
            value = value * 10 + (rest_[i] - u'0');
        }
        rest_.remove_prefix(count);
        return value >= least && value <= most;
    }
    bool date(bool dashes) {
        const std::u16string_view between = dashes ? u"-" : u"";
        return number(4, 1970, 9999) && literal(between) && number(2, 1, 12) && literal(between) &&
               number(2, 1, 31);
    }
    bool time() { return number(2, 0, 23) && number(2, 0, 59) && number(2, 0, 60); }
    // Syncthing's short device ID.
    bool device() {
        if (rest_.size() < 7) return false;
        for (std::size_t i = 0; i < 7; ++i) {
            if (!((rest_[i] >= u'A' && rest_[i] <= u'Z') || (rest_[i] >= u'0' && rest_[i] <= u'9')))
                return false;
        }
        rest_.remove_prefix(7);
        return true;
    }
    bool done() const { return rest_.empty(); }

  private:
    std::u16string_view rest_;
};

// The name in front of a marker that starts at `at` and that `shape` reads to the end of the stem.
std::optional<std::u16string_view> Before(std::u16string_view stem, std::size_t at, bool read) {
    if (!read || at == 0 || at == std::u16string_view::npos) return std::nullopt;
    return stem.substr(0, at);
}

std::optional<std::u16string_view> SyncthingCopy(std::u16string_view stem) {
    const std::size_t at = stem.rfind(u".sync-conflict-");
    if (at == std::u16string_view::npos) return std::nullopt;
    NameShape shape(stem.substr(at));
    return Before(stem, at,
                  shape.literal(u".sync-conflict-") && shape.date(false) && shape.literal(u"-") &&
                      shape.time() && shape.literal(u"-") && shape.device() && shape.done());
}

std::optional<std::u16string_view> UnderscoreCopy(std::u16string_view stem) {
    const std::size_t at = stem.rfind(u"_conflict-");
    if (at == std::u16string_view::npos) return std::nullopt;
    NameShape shape(stem.substr(at));
    return Before(stem, at,
                  shape.literal(u"_conflict-") && shape.date(false) && shape.literal(u"-") && shape.time() &&
                      shape.done());
}

// "NAME (<marks>)" with the marks of Dropbox, Nextcloud or ownCloud.
std::optional<std::u16string_view> BracketCopy(std::u16string_view stem) {
    const std::size_t at = stem.rfind(u" (");
    if (at == std::u16string_view::npos || stem.empty() || stem.back() != u')') return std::nullopt;
    std::u16string_view inside = stem.substr(at + 2, stem.size() - at - 3);
    // "<someone>'s conflicted copy ...": the someone is left out.
    for (const std::u16string_view owner : {u"'s conflicted copy ", u"\u2019s conflicted copy "}) {
        const std::size_t mark = inside.find(owner);
        if (mark != std::u16string_view::npos && mark > 0) {
            inside = inside.substr(mark + 3);
            break;
        }
    }
    const auto reads = [inside](auto&& marks) {
        NameShape shape(inside);
        return marks(shape) && shape.done();
    };
    const bool copy =
        reads([](NameShape& s) { return s.literal(u"conflicted copy ") && s.date(true); }) ||
        reads([](NameShape& s) {
            return s.literal(u"conflicted copy ") && s.date(true) && s.literal(u" ") && s.time();
        }) ||
        reads([](NameShape& s) {
            return s.literal(u"conflict ") && s.date(true) && s.literal(u"-") && s.time();
        });
    return Before(stem, at, copy);
}

}  // namespace

std::optional<std::u16string> ProfileOfConflictCopy(std::u16string_view fileName) {
    if (!EndsWithIgnoringCase(fileName, kExtension)) return std::nullopt;
    const std::u16string_view stem = fileName.substr(0, fileName.size() - kExtension.size());
    std::optional<std::u16string_view> name = SyncthingCopy(stem);
    if (!name) name = UnderscoreCopy(stem);
    if (!name) name = BracketCopy(stem);
    if (!name) return std::nullopt;
    return std::u16string(*name);
}

std::string NewProfileIdentity() {
    if (sodium_init() < 0) throw std::bad_alloc();
    unsigned char bytes[16];
    randombytes_buf(bytes, sizeof bytes);
    constexpr char kDigits[] = "0123456789abcdef";
    std::string identity;
    for (const unsigned char byte : bytes) {
        identity += kDigits[byte >> 4];
        identity += kDigits[byte & 15];
    }
    return identity;
}

MergePlanner::MergePlanner(const std::vector<Entry>& profileEntries, const CategoryList& profileCategories)
    : entries_(profileEntries.size() * 2) {
    for (const Entry& entry : profileEntries) entries_.insert(&entry);
    for (const Category& category : profileCategories) categories_.insert(FoldCase(category.name));
}

MergePlan MergePlanner::add(const Profile& copy) {
    MergePlan plan;
    for (const Category& category : copy.categories) {
        if (categories_.insert(FoldCase(category.name)).second) plan.categories.push_back(category.name);
    }
    // A copy's own duplicates are all kept, as the copy holds them; only what the profile or an
    // earlier copy holds is left out.
    for (const Entry& entry : copy.entries) {
        if (entries_.count(&entry) == 0) plan.entries.push_back(&entry);
    }
    entries_.insert(plan.entries.begin(), plan.entries.end());
    return plan;
}

std::u16string UnprovenCopiesQuestion(const std::vector<std::u16string>& fileNames) {
    std::u16string names;
    for (const std::u16string& name : fileNames) names += u"\n" + name;
    return u"These conflict copies open with this logon, but nothing in them shows that they are copies of "
           u"this "
           u"profile and not of another one with the same logon (an earlier version of Keyloft saved them or "
           u"the "
           u"profile):" +
           names + u"\n\nMerge them into this profile as well?";
}

ConflictCopyRead::~ConflictCopyRead() {
    if (profile) Wipe(*profile);
}

namespace {

// The lines of a copy that the name bears as a regular file of its own, held; nothing (with
// `problem` set) otherwise.
std::unique_ptr<ReadableFile> HoldCopy(FileSystem& files, const std::filesystem::path& file,
                                       std::vector<std::string>& lines, std::u16string& problem) {
    ErrorInfo error;
    std::unique_ptr<ReadableFile> held = files.openHeld(file, error);
    if (!held || error.failed()) {
        problem = error.number == error::kNotRegularFile ? std::u16string(kCopyNotAFileText)
                  : error.description.empty()            ? std::u16string(kCopyDamagedText)
                                                         : error.description;
        return nullptr;
    }
    // Opened by name: the name must still bear this very file, and no link may have led to it.
    if (!files.namesHeldFileItself(file, *held)) {
        problem = kCopyNotAFileText;
        return nullptr;
    }
    (void)ReadBoundedLines(*held, lines, error);
    if (error.failed() || lines.empty()) {
        problem = kCopyDamagedText;
        return nullptr;
    }
    return held;
}

bool SameLogon(const Profile& copy, const Profile& loaded) {
    return copy.logonMode == loaded.logonMode && copy.password == loaded.password &&
           (loaded.logonMode == kPasswordOnly || copy.userId == loaded.userId) &&
           (loaded.logonMode != kUserIdPasswordAndPin || copy.pin == loaded.pin);
}

}  // namespace

ConflictCopyRead ReadConflictCopy(FileSystem& files, const std::filesystem::path& file, EntryKind kind,
                                  const Profile& loaded, const sealed::Keys* keys,
                                  const sealed::Limits& floor) {
    ConflictCopyRead read;
    if (kind != EntryKind::RegularFile) {
        read.problem = kCopyNotAFileText;
        return read;
    }
    std::vector<std::string> lines;
    std::unique_ptr<ReadableFile> held = HoldCopy(files, file, lines, read.problem);
    if (!held) return read;
    Profile& copy = read.profile.emplace();
    const auto refuse = [&read](std::u16string_view why) {
        Wipe(*read.profile);
        read.profile.reset();
        read.problem = why;
        return std::move(read);
    };
    bool openedWithDataKey = false;
    if (lines.size() >= 2 && sealed::LooksSealed(lines[0], lines[1])) {
        const std::optional<sealed::SealedFile> sealedFile = sealed::ParseSealedLines(lines, floor);
        if (!sealedFile) return refuse(kCopyDamagedText);
        const sealed::LogonValues logon{loaded.userId, loaded.password, loaded.pin};
        openedWithDataKey = keys != nullptr && sealed::OpenBody(*sealedFile, keys->dataKey, copy, &logon);
        if (!openedWithDataKey) {
            sealed::Key dataKey;
            if (sealedFile->logonMode != loaded.logonMode ||
                sealed::UnwrapWithLogon(*sealedFile, logon, dataKey) != sealed::Unwrap::Opened) {
                return refuse(kCopyOtherLogonText);
            }
            if (!sealed::OpenBody(*sealedFile, dataKey, copy, &logon)) return refuse(kCopyDamagedText);
        }
    } else {
        ProfileDecoder decoder(copy);
        for (const std::string& each : lines) {
            const ProfileDecoder::LineResult result = decoder.addLine(each);
            if (result.rejected || result.error.failed() || result.sumFailures > 0)
                return refuse(kCopyDamagedText);
        }
        if (!decoder.trailerMatches()) return refuse(kCopyDamagedText);
    }
    if (!SameLogon(copy, loaded)) return refuse(kCopyOtherLogonText);
    if (!copy.identity.empty() && !loaded.identity.empty()) {
        if (copy.identity != loaded.identity) return refuse(kCopyOtherProfileText);
        read.proven = true;
    } else {
        read.proven = openedWithDataKey;
    }
    read.version = copy.version;
    read.held = std::move(held);
    return read;
}

std::optional<std::int32_t> VersionOfConflictCopy(FileSystem& files, const std::filesystem::path& file,
                                                  const sealed::Limits& floor) {
    std::vector<std::string> lines;
    std::u16string problem;
    if (!HoldCopy(files, file, lines, problem)) return std::nullopt;
    if (lines.size() >= 2 && sealed::LooksSealed(lines[0], lines[1])) {
        const std::optional<sealed::SealedFile> sealedFile = sealed::ParseSealedLines(lines, floor);
        if (!sealedFile) return std::nullopt;
        return sealedFile->version;
    }
    Profile copy;
    ProfileDecoder decoder(copy);
    bool sound = true;
    for (const std::string& each : lines) {
        const ProfileDecoder::LineResult result = decoder.addLine(each);
        sound = !result.rejected && !result.error.failed() && result.sumFailures == 0;
        if (!sound) break;
    }
    const std::optional<std::int32_t> version = sound && decoder.trailerMatches() && decoder.sawVersion()
                                                    ? std::optional(copy.version)
                                                    : std::nullopt;
    Wipe(copy);
    return version;
}

}  // namespace keyloft
