#include "store/conflict_copies.h"

#include <algorithm>
#include <unordered_set>

#include "store/bounded_lines.h"
#include "store/file_system.h"
#include "store/profile.h"
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

// The text before `marker`, when the marker is followed by more text; the marker found last, so
// that a profile whose name holds the marker still has its own copies recognised.
std::optional<std::u16string_view> BeforeMarker(std::u16string_view stem, std::u16string_view marker) {
    const std::size_t at = stem.rfind(marker);
    if (at == std::u16string_view::npos || at == 0 || at + marker.size() >= stem.size()) return std::nullopt;
    return stem.substr(0, at);
}

// "NAME (<inside>)": NAME, when the part in brackets is one a sync engine writes: "conflicted
// copy …", "<someone>'s conflicted copy …" or "conflict …".
std::optional<std::u16string_view> BeforeConflictBrackets(std::u16string_view stem) {
    if (stem.empty() || stem.back() != u')') return std::nullopt;
    const std::size_t open = stem.rfind(u" (");
    if (open == std::u16string_view::npos || open == 0) return std::nullopt;
    const std::u16string_view inside = stem.substr(open + 2, stem.size() - open - 3);
    const bool conflictedCopy = inside.find(u"conflicted copy") != std::u16string_view::npos;
    const bool conflict = inside.substr(0, 9) == u"conflict " && inside.size() > 9;
    if (!conflictedCopy && !conflict) return std::nullopt;
    return stem.substr(0, open);
}

}  // namespace

std::optional<std::u16string> ProfileOfConflictCopy(std::u16string_view fileName) {
    if (!EndsWithIgnoringCase(fileName, kExtension)) return std::nullopt;
    const std::u16string_view stem = fileName.substr(0, fileName.size() - kExtension.size());
    std::optional<std::u16string_view> name = BeforeMarker(stem, u".sync-conflict-");
    if (!name) name = BeforeMarker(stem, u"_conflict-");
    if (!name) name = BeforeConflictBrackets(stem);
    if (!name) return std::nullopt;
    return std::u16string(*name);
}

MergePlan PlanMerge(const std::vector<Entry>& profileEntries, const std::vector<std::u16string>& profileCategories,
                    const std::vector<Entry>& copyEntries, const std::vector<std::u16string>& copyCategories) {
    MergePlan plan;
    std::unordered_set<std::u16string> categories;
    for (const std::u16string& name : profileCategories) categories.insert(FoldCase(name));
    for (const std::u16string& name : copyCategories) {
        if (categories.insert(FoldCase(name)).second) plan.categories.push_back(name);
    }
    // The profile's entries are looked up where they are: no copy of them is made.
    const auto hash = [](const Entry* entry) { return EntryHash{}(*entry); };
    const auto equal = [](const Entry* a, const Entry* b) { return *a == *b; };
    std::unordered_set<const Entry*, decltype(hash), decltype(equal)> entries(profileEntries.size(), hash,
                                                                              equal);
    for (const Entry& entry : profileEntries) entries.insert(&entry);
    for (const Entry& entry : copyEntries) {
        if (entries.count(&entry) == 0) plan.entries.push_back(entry);
    }
    return plan;
}

std::optional<Profile> ReadConflictCopy(FileSystem& files, const std::filesystem::path& file, const Profile& loaded,
                                        const sealed::Keys* keys, const sealed::Limits& floor, std::u16string& problem) {
    problem.clear();
    ErrorInfo error;
    const std::unique_ptr<ReadableFile> held = files.openHeld(file, error);
    if (!held || error.failed()) {
        problem = error.description.empty() ? std::u16string(kCopyDamagedText) : error.description;
        return std::nullopt;
    }
    std::vector<std::string> lines;
    (void)ReadBoundedLines(*held, lines, error);
    if (error.failed() || lines.empty()) {
        problem = kCopyDamagedText;
        return std::nullopt;
    }
    Profile copy;
    // What was read is wiped when it is not handed back (a copy under another logon included).
    struct WipeOnExit {
        Profile& profile;
        ~WipeOnExit() { Wipe(profile); }
    } wipeCopy{copy};
    if (lines.size() >= 2 && sealed::LooksSealed(lines[0], lines[1])) {
        const std::optional<sealed::SealedFile> sealedFile = sealed::ParseSealedLines(lines, floor);
        if (!sealedFile) {
            problem = kCopyDamagedText;
            return std::nullopt;
        }
        const sealed::LogonValues logon{loaded.userId, loaded.password, loaded.pin};
        bool opened = keys != nullptr && sealed::OpenBody(*sealedFile, keys->dataKey, copy, &logon);
        if (!opened) {
            sealed::Key dataKey;
            if (sealedFile->logonMode != loaded.logonMode ||
                sealed::UnwrapWithLogon(*sealedFile, logon, dataKey) != sealed::Unwrap::Opened) {
                problem = kCopyOtherLogonText;
                return std::nullopt;
            }
            opened = sealed::OpenBody(*sealedFile, dataKey, copy, &logon);
        }
        if (!opened) {
            problem = kCopyDamagedText;
            return std::nullopt;
        }
    } else {
        ProfileDecoder decoder(copy);
        for (const std::string& each : lines) {
            const ProfileDecoder::LineResult result = decoder.addLine(each);
            if (result.rejected || result.error.failed() || result.sumFailures > 0) {
                problem = kCopyDamagedText;
                return std::nullopt;
            }
        }
        if (!decoder.trailerMatches()) {
            problem = kCopyDamagedText;
            return std::nullopt;
        }
    }
    if (copy.logonMode != loaded.logonMode || copy.password != loaded.password ||
        (loaded.logonMode != kPasswordOnly && copy.userId != loaded.userId) ||
        (loaded.logonMode == kUserIdPasswordAndPin && copy.pin != loaded.pin)) {
        problem = kCopyOtherLogonText;
        return std::nullopt;
    }
    return copy;
}

}  // namespace keyloft
