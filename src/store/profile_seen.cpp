// What this user saw of the profile's file (store/profile_history.h): a file that is no longer
// sealed, or that went back to an older version, is asked about at every load, at open and in the
// middle of a session alike; a file never seen is remembered from its first load; the memory of it
// only moves forward, and saves never write a version this user has seen already.
#include <optional>
#include <utility>

#include "store/conflict_copies.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/open_profile_state.h"

namespace keyloft {
using namespace detail;

// The newest version that a conflict copy of the profile holds, read without a logon.
std::optional<std::int32_t> OpenProfile::newestConflictCopyVersion() {
    State& s = *state_;
    std::optional<std::int32_t> newest;
    for (const FolderEntry& entry : s.files.listDatNames(s.folder.databaseFolder())) {
        std::optional<std::u16string> profile;
        try {
            profile = ProfileOfConflictCopy(entry.name.u16string());
        } catch (const std::exception&) {
            continue;
        }
        if (entry.kind != EntryKind::RegularFile || profile != s.profileName) continue;
        const std::optional<std::int32_t> version = VersionOfConflictCopy(
            s.files, s.folder.pathOf(entry.name.u16string()), sealed::LoadingFloor(s.sealingLimits));
        if (version) newest = newest ? NewerOf(*newest, *version) : *version;
    }
    return newest;
}

std::optional<MessageRequest> OpenProfile::replacedFileQuestion() {
    State& s = *state_;
    const std::optional<SeenProfile> seen = ReadSeenProfile(s.settings, s.profilePath);
    const SeenProfile now{s.seal, s.profile.version};
    if (!seen) {
        // Met for the first time: nothing shows whether it is the file it should be, but from this
        // load on a readable or an older file in its place is asked about, logged on or not.
        RememberSeenProfile(s.settings, s.profilePath, now);
        return std::nullopt;
    }
    if (s.acceptedPath == s.profilePath && s.acceptedFile == std::pair{now.sealed, now.version})
        return std::nullopt;
    if (ReplacedFileMessage(s.profileName, *seen, now).empty()) return std::nullopt;
    // Gone back: a file-sync engine may have kept another machine's older file and left this
    // user's newer one beside it as a conflict copy.
    const std::optional<std::int32_t> newestCopy = newestConflictCopyVersion();
    const bool offersMerge = RolledBackBesideNewerCopy(*seen, now, newestCopy);
    MessageRequest question;
    question.text = ReplacedFileMessage(s.profileName, *seen, now, newestCopy);
    question.icon = MessageIcon::Exclamation;
    question.buttons = MessageButtons::YesNo;
    // Opening an older file beside the newer one's copy loses nothing: the merge follows.
    question.defaultAnswer = offersMerge ? MessageAnswer::Yes : MessageAnswer::No;
    question.question = offersMerge ? Question::OpenRolledBackProfile : Question::OpenReplacedProfile;
    return question;
}

void OpenProfile::answerReplaced(bool open) {
    State& s = *state_;
    const std::u16string& text = s.awaitedQuestion.text;
    logError(kOpReadFromFile, u"0",
             text.substr(0, text.find(u'\n')) + (open ? u" Opened." : u" Not opened."));
    s.awaiting = State::Awaiting::Nothing;
    if (open) {
        s.acceptedPath = s.profilePath;
        s.acceptedFile = std::pair{s.seal, s.profile.version};
        // The user knows now that the file is in the usual form; the version seen stays.
        RememberSeenProfile(s.settings, s.profilePath, SeenProfile{s.seal, s.profile.version}, true);
    }
}

OpenResult OpenProfile::answerReplacedFile(bool open) {
    State& s = *state_;
    OpenResult result;
    const State::Awaiting awaited = s.awaiting;
    if (awaited != State::Awaiting::Open && awaited != State::Awaiting::Reload) return result;
    answerReplaced(open);
    if (open) {
        result.outcome = OpenOutcome::Loaded;
        return awaited == State::Awaiting::Open ? finishOpen(std::move(result))
                                                : finishReload(std::move(result));
    }
    forget();
    result.outcome = OpenOutcome::Replaced;
    if (awaited == State::Awaiting::Open) {
        result.report = s.takeReport();
        return result;
    }
    // In the middle of a session No ends it.
    s.report.clearDirty = true;
    s.report.lockSession = true;
    return finishReload(std::move(result));
}

void OpenProfile::rememberSeen() {
    State& s = *state_;
    RememberSeenProfile(s.settings, s.profilePath, SeenProfile{s.seal, s.profile.version});
}

// The version after the newest of the loaded one, the one this user saw last and those of the
// conflict copies being merged: a file that went back (and was opened so) is written ahead of
// what was lost, and a merged file is newer than each file merged into it.
std::int32_t OpenProfile::versionToWrite(Write write) const {
    const State& s = *state_;
    std::int32_t base = s.profile.version;
    if (write == Write::Save) {
        if (const std::optional<SeenProfile> seen = ReadSeenProfile(s.settings, s.profilePath))
            base = NewerOf(base, seen->version);
        if (s.versionFloor) base = NewerOf(base, *s.versionFloor);
    }
    return NextVersion(base);
}

}  // namespace keyloft
