// The logon step: the typed details or answers against the loaded profile; a sealed profile's body
// opens with them.
#include <algorithm>

#include "store/open_profile_state.h"
#include "store/text_convert.h"

namespace keyloft {
using namespace detail;

LogonOutcome OpenProfile::openSealedBody(const sealed::Key& dataKey, const sealed::LogonValues* known) {
    State& s = *state_;
    if (!sealed::OpenBody(*s.lockedFile, dataKey, s.profile, known)) {
        // Nothing of a file that fails its authentication is shown or kept.
        sealed::FillHeaderOnly(sealed::SealedFile{}, s.profile);
        s.lockedFile.reset();
        s.held.reset();
        s.phase = State::Phase::Nothing;
        s.keepError(DamagedError());
        logError(kOpReadFromFile, ErrorNumberText(s.lastError.number), s.lastError.description);
        return LogonOutcome::Damaged;
    }
    s.sealedKeys = sealed::KeepKeys(*s.lockedFile, dataKey, s.profile);
    s.lockedFile.reset();
    s.setLoggedOn(true);
    if (s.backupToProve) proveBackup(known);
    rememberSeen();
    return LogonOutcome::LoggedOn;
}

std::optional<sealed::SealedFile> OpenProfile::loadedSealedFile() const {
    if (!state_->loaded()) return std::nullopt;
    return state_->lockedFile;
}

LogonOutcome OpenProfile::logOnWithKey(const sealed::Key& dataKey, const sealed::LogonValues* known) {
    const State& s = *state_;
    if (!s.loaded() || !s.lockedFile || s.awaiting != State::Awaiting::Nothing)
        return LogonOutcome::Incorrect;
    return openSealedBody(dataKey, known);
}

LogonOutcome OpenProfile::logOn(const LogonDetails& typed) {
    State& s = *state_;
    // A file whose question is not answered yet is not logged on to.
    if (!s.loaded() || s.awaiting != State::Awaiting::Nothing) {
        return LogonOutcome::Incorrect;
    }
    const sealed::LogonValues trimmed{std::u16string(TrimBlanks(typed.userId)),
                                      std::u16string(TrimBlanks(typed.password)),
                                      std::u16string(TrimBlanks(typed.pin))};
    if (s.lockedFile) {
        sealed::Key dataKey;
        if (sealed::UnwrapWithLogon(*s.lockedFile, trimmed, dataKey) != sealed::Unwrap::Opened) {
            return LogonOutcome::Incorrect;
        }
        return openSealedBody(dataKey, &trimmed);
    }
    const Profile& p = s.profile;
    bool accepted = false;
    switch (p.logonMode) {
        case kPasswordOnly:
            accepted = trimmed.password == p.password;
            break;
        case kUserIdAndPassword:
            accepted = trimmed.password == p.password && trimmed.userId == p.userId;
            break;
        case kUserIdPasswordAndPin:
            accepted = trimmed.password == p.password && trimmed.userId == p.userId && trimmed.pin == p.pin;
            break;
        default:
            break;
    }
    s.setLoggedOn(accepted);
    if (accepted) rememberSeen();
    return accepted ? LogonOutcome::LoggedOn : LogonOutcome::Incorrect;
}

LogonOutcome OpenProfile::logOnWithAnswers(const std::vector<std::u16string>& typedAnswers) {
    State& s = *state_;
    // A file whose question is not answered yet is not logged on to.
    if (!s.loaded() || s.awaiting != State::Awaiting::Nothing) {
        return LogonOutcome::Incorrect;
    }
    std::vector<std::u16string> trimmed;
    for (const std::u16string& answer : typedAnswers) {
        trimmed.emplace_back(TrimBlanks(answer));
    }
    if (s.lockedFile) {
        sealed::Key dataKey;
        if (sealed::UnwrapWithAnswers(*s.lockedFile, trimmed, dataKey) != sealed::Unwrap::Opened) {
            return LogonOutcome::Incorrect;
        }
        return openSealedBody(dataKey, nullptr);
    }
    const Profile& p = s.profile;
    int correct = 0;
    for (std::size_t i = 0; i < p.questions.size() && i < 3 && i < trimmed.size(); ++i) {
        if (trimmed[i] == p.questions[i].answer) {
            ++correct;
        }
    }
    // A profile without a valid answer mode must not open with no correct answer at all.
    const bool accepted = correct >= std::max(p.answerMode, 1);
    s.setLoggedOn(accepted);
    if (accepted) rememberSeen();
    return accepted ? LogonOutcome::LoggedOn : LogonOutcome::Incorrect;
}

}  // namespace keyloft
