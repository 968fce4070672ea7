// Opening and creating: the open profile takes its file from the folder (checked name, hold,
// recovery, load) or writes the first file of a new profile through the writer of every save.
#include <optional>
#include <utility>

#include "store/conflict_copies.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/open_profile_state.h"
#include "store/sealing_rule.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kProfileExists[] = u"This profile already exists. Please choose another name!";
constexpr char16_t kDefaultQuestion[] = u"Default Question";
constexpr char16_t kProfileEmpty[] = u"The profile file is empty.";
constexpr char16_t kConflictCopyName[] =
    u"A file-sync engine gives its conflict copies names of this shape. Please choose another name!";

// What the security setup and the sealing rule say of the trimmed password a profile is to be
// created sealed with: nullopt, or the message that refuses it.
std::optional<std::u16string> SealedStartRefusal(std::u16string_view profileName,
                                                 const std::u16string& password,
                                                 const std::u16string& confirmation) {
    SecuritySettings typed;
    typed.logonMode = kPasswordOnly;
    typed.password = password;
    typed.confirmation = confirmation;
    typed.answerMode = 0;  // no question is asked for
    std::optional<std::u16string> refusal = SecurityRefusal(typed);
    Wipe(typed.password);
    Wipe(typed.confirmation);
    if (refusal) return refusal;
    const std::vector<SecurityQuestion> noQuestions;
    return SealingRefusal({profileName, kPasswordOnly, {}, password, &noQuestions});
}

}  // namespace

OpenResult OpenProfile::openProfile(std::u16string_view profileName) {
    State& s = *state_;
    OpenResult result;
    if (s.ended()) {
        result.outcome = OpenOutcome::Ended;
        return result;
    }
    if (profileName.empty()) {
        result.outcome = OpenOutcome::NotChosen;
        return result;
    }
    s.beginReport();
    if (std::u16string problem = ProfileNameProblem(profileName); !problem.empty()) {
        result.outcome = OpenOutcome::BadName;
        result.report.messages.push_back(Message(std::move(problem)));
        return result;
    }
    s.awaiting = State::Awaiting::Nothing;
    s.profileName = profileName;
    s.profileFileName = std::u16string(profileName) + kProfileExtension;
    s.profilePath = s.folder.pathOf(s.profileFileName);
    s.held.reset();
    s.phase = State::Phase::Nothing;
    s.fault = State::LoadFault::None;
    s.formChosen = false;
    ++s.openNumber;
    s.sealedKeys.reset();
    s.lockedFile.reset();

    const ErrorInfo taken = takeProfile();
    if (taken.failed()) {
        s.keepError(taken);
        ProfileDecoder clear(s.profile);
        result.error = taken;
        if (taken.inUse) {
            result.outcome = OpenOutcome::InUse;
            s.show(Message(ProfileInUseMessage(profileName)));
        } else {
            loadFailed(true, taken);
            result.outcome = loadOutcome();
        }
        result.report = s.takeReport();
        return result;
    }
    loadHeld(true);
    result.outcome = loadOutcome();
    // The report goes on once the caller has the answer.
    if (result.outcome == OpenOutcome::Loaded &&
        s.awaitAnswer(replacedFileQuestion(), State::Awaiting::Open)) {
        result.outcome = OpenOutcome::NeedsAnswer;
        result.question = s.awaitedQuestion;
        return result;
    }
    return finishOpen(std::move(result));
}

OpenResult OpenProfile::finishOpen(OpenResult result) {
    State& s = *state_;
    if (s.fault == State::LoadFault::Empty) {
        s.held.reset();
        result.error = ErrorInfo::of(error::kInputPastEnd);
        s.show(Message(kProfileEmpty));
        logError(kOpReadFromFile, ErrorNumberText(result.error.number), result.error.description);
    } else if (s.fault == State::LoadFault::DamagedFile) {
        s.held.reset();
        result.error = DamagedError();
        s.show(Message(kProfileDamagedMessage));
        logError(kOpReadFromFile, ErrorNumberText(result.error.number), result.error.description);
    } else if (!s.loaded()) {
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

CreateResult OpenProfile::createProfile(std::u16string_view profileName) {
    return createFirstFile(profileName, nullptr);
}

CreateResult OpenProfile::createProfile(std::u16string_view profileName, const SealedStart& start) {
    return createFirstFile(profileName, &start);
}

CreateResult OpenProfile::createFirstFile(std::u16string_view profileName, const SealedStart* sealedStart) {
    State& s = *state_;
    CreateResult result;
    if (s.ended()) {
        return result;
    }
    s.beginReport();
    if (std::u16string problem = ProfileNameProblem(profileName); !problem.empty()) {
        result.report.messages.push_back(Message(std::move(problem)));
        return result;
    }
    // A name of that shape would be taken for a conflict copy of another profile: hidden from the
    // list and merged into it.
    if (ProfileOfConflictCopy(std::u16string(profileName) + kProfileExtension)) {
        result.report.messages.push_back(Message(kConflictCopyName));
        return result;
    }
    const std::filesystem::path path = s.folder.pathOf(std::u16string(profileName) + kProfileExtension);
    // Whatever bears the name (a folder, a pipe, a link that leads out of the folder, even to
    // nowhere) keeps it: a new profile is never written through it.
    if (s.files.nameTaken(path)) {
        result.report.messages.push_back(Message(kProfileExists));
        return result;
    }
    WipedText password, confirmation;
    if (sealedStart != nullptr) {
        *password = TrimBlanks(sealedStart->password);
        *confirmation = TrimBlanks(sealedStart->confirmation);
        if (std::optional<std::u16string> refusal =
                SealedStartRefusal(profileName, *password, *confirmation)) {
            result.report.messages.push_back(Message(std::move(*refusal)));
            return result;
        }
    }
    s.profilePath = path;
    Profile& p = s.profile;
    if (sealedStart == nullptr) {
        p.logonMode = kPasswordOnly;
        p.userId = kDefaultLogonValue;
        p.password = kDefaultLogonValue;
        p.pin = kDefaultLogonValue;
        p.answerMode = kOneAnswer;
        p.questions.clear();
        p.questions.push_back(SecurityQuestion{kDefaultQuestion, kDefaultLogonValue});
        p.identity = NewProfileIdentity();
    } else {
        Wipe(p);
        p.logonMode = kPasswordOnly;
        p.password = *password;
        p.answerMode = kOneAnswer;
        p.identity = NewProfileIdentity();
        // New keys for the new file: none of a profile loaded before is reused.
        s.sealedKeys.reset();
        s.lockedFile.reset();
    }

    const SaveOutcome saved = writeToFile(sealedStart != nullptr ? Write::FirstFileSealed : Write::FirstFile);
    if (sealedStart != nullptr) {
        s.sealedKeys.reset();
    }
    if (saved == SaveOutcome::Saved) {
        result.folderQuestion = s.folder.listProfiles().question;
        result.outcome = CreateOutcome::Created;
    } else {
        result.outcome = CreateOutcome::SaveFailed;
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}
}  // namespace keyloft
