#include "profile_checks.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "store/profile.h"
#include "store/profile_codec.h"
#include "store/profile_verifier.h"

namespace keyloft::fuzz {
namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "profile check failed: %s\n", what);
    std::abort();
}

struct Load {
    Profile profile;
    bool loaded = false;
    bool sawVersion = false;
};

// The loader's loop over the lines: a rejected line, a failed line or a failed record sum (which
// locks the session, so the next read fails) ends the load; the trailer decides at the end.
Load LoadLines(const std::vector<std::string>& lines) {
    Load load;
    ProfileDecoder decoder(load.profile);
    bool failed = false;
    for (const std::string& line : lines) {
        const ProfileDecoder::LineResult result = decoder.addLine(line);
        if (result.rejected || result.error.failed() || result.sumFailures > 0) {
            failed = true;
            break;
        }
    }
    load.sawVersion = decoder.sawVersion();
    load.loaded = !failed && decoder.trailerMatches();
    return load;
}

bool SameCategories(const CategoryList& a, const CategoryList& b) { return a.items() == b.items(); }

void CheckSameProfile(const Profile& a, const Profile& b) {
    if (a.logonMode != b.logonMode) Fail("logon mode changed");
    if (a.userId != b.userId || a.password != b.password || a.pin != b.pin) Fail("logon details changed");
    if (a.answerMode != b.answerMode) Fail("answer mode changed");
    if (!SameCategories(a.categories, b.categories)) Fail("categories changed");
    if (a.entries != b.entries) Fail("entries changed");
    if (a.questions != b.questions) Fail("questions changed");
}

}  // namespace

void CheckProfileFile(std::string_view bytes) {
    const std::vector<std::string> lines = SplitFileLines(bytes);
    const Load load = LoadLines(lines);

    const VerifyReport report = VerifyProfileBytes(bytes);
    if (report.ok != load.loaded) Fail("the read-only check and the loader disagree");
    if (report.lineCount != lines.size()) Fail("the read-only check counts other lines");
    if (!load.loaded) return;
    if (report.entryCount != load.profile.entries.size() ||
        report.categoryCount != load.profile.categories.size() ||
        report.questionCount != load.profile.questions.size() ||
        report.version !=
            (load.sawVersion ? std::optional<std::int32_t>(load.profile.version) : std::nullopt)) {
        Fail("the read-only check counts other records");
    }

    // Save what was loaded, as a save does, and load it again.
    const std::int32_t written = NextVersion(load.profile.version);
    const EncodedProfile encoded = EncodeProfile(load.profile, written, KeyTimeText(45296.5), false);
    if (!encoded.ok) Fail("a loaded profile does not save");
    const std::string saved = JoinFileLines(encoded.lines);
    const Load again = LoadLines(SplitFileLines(saved));
    if (!again.loaded) Fail("a saved profile does not load");
    if (again.profile.version != written) Fail("the saved version is not the one written");
    CheckSameProfile(load.profile, again.profile);
    if (!VerifyProfileBytes(saved).ok) Fail("the read-only check refuses a saved profile");
}

}  // namespace keyloft::fuzz
