// Saving: hold the file, check that no other user saved meanwhile (and load their version if one
// did), then write the new file beside the profile and put it in place with one rename.
#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "store/conflict_copies.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/open_profile_state.h"
#include "store/sealing_rule.h"
#include "store/secret_memory.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kRecordModified[] = u"The record has been modified by another user.";
constexpr char16_t kRefreshing[] = u"Refreshing data...";
constexpr char16_t kProfileModified[] = u"The profile has been modified by another user.";
constexpr char16_t kLoginAgain[] = u"You will have to login again.";
constexpr char16_t kOpWriteToFile[] = u"Writetofile";

constexpr int kAttempts = 5;
constexpr int kRetryWaitMs = 3000;

}  // namespace

SaveResult OpenProfile::save() {
    State& s = *state_;
    SaveResult result;
    // Nothing is written while a load waits for the answer to its question.
    if (s.ended() || s.phase == State::Phase::Forgotten || s.awaiting != State::Awaiting::Nothing) {
        return result;
    }
    s.beginReport();
    result.outcome = writeToFile(Write::Save);
    if (result.outcome == SaveOutcome::NeedsAnswer) {
        // The report goes on once the caller has the answer.
        result.question = s.awaitedQuestion;
        return result;
    }
    if (result.outcome == SaveOutcome::Failed) {
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

SaveResult OpenProfile::answerReplacedSave(bool goOn) {
    State& s = *state_;
    SaveResult result;
    if (s.awaiting != State::Awaiting::Save) return result;
    answerReplaced(goOn);
    if (goOn) {
        result.outcome = finishReloadAfterSave();
    } else {
        // No ends the session, and nothing is saved.
        forget();
        s.report.clearDirty = true;
        s.report.lockSession = true;
        result.outcome = SaveOutcome::ConflictLockedOut;
    }
    result.report = s.takeReport();
    return result;
}

SaveOutcome OpenProfile::writeToFile(Write write) {
    State& s = *state_;
    if (s.ended()) {
        return SaveOutcome::Failed;
    }
    s.runningLength = 0;
    s.lineCount = 0;

    const std::int32_t versionBefore = s.profile.version;
    makeSealingKeys(write);
    if (write == Write::Save) {
        if (const ErrorInfo error = holdForSave(); error.failed()) {
            return saveFailed(error, versionBefore);
        }
        // The hold keeps other copies of Keyloft from saving, but not other programs: a sync
        // engine, a restore or `mv` may have put another file in the profile's place, with
        // changes of its own, while this one was held. That is another user's save as well:
        // the newer file is loaded from the path, and nothing is written over it.
        const bool replaced = s.held && s.files.namesOtherFile(s.profilePath, *s.held);
        if (replaced) {
            s.held.reset();
        }
        std::int32_t storedVersion = -1;
        if (!replaced) {
            storedVersion = readStoredVersion();
            if (s.ended()) {
                s.retryCounter = 0;
                return SaveOutcome::Failed;
            }
        }
        s.retryCounter = 0;
        if (replaced || storedVersion != s.profile.version) {
            return reloadAfterOtherSave();
        }
        // The same version, but not the same file: something wrote into it in place (a copy of
        // the profile at that version, say). That is a change of someone else's as well.
        if (s.fingerprint && s.held && FingerprintOf(*s.held) != s.fingerprint) {
            return reloadAfterOtherSave();
        }
    }
    return writeNewFile(versionBefore, write);
}

// The answer slots a sealed save of the Profile gets (store/sealing_rule.h).
std::vector<std::vector<int>> OpenProfile::answerSlotsToSeal() const {
    return PlanAnswerSlots(state_->profile, state_->profileName).made;
}

// A sealed save that needs new key slots has them made first, before the file is taken or written:
// the Argon2id runs are the long part of it, and the host runs them off its window's thread.
void OpenProfile::makeSealingKeys(Write write) {
    State& s = *state_;
    const bool writeSealed = write == Write::Save ? s.seal : write == Write::FirstFileSealed;
    if (!writeSealed || s.lockedFile) return;
    const std::vector<std::vector<int>> answerSlots = answerSlotsToSeal();
    if (sealed::KeysFit(s.sealedKeys.get(), s.profile, answerSlots, s.sealingLimits)) return;
    // What the slots are made from, apart from the Profile that the window's events may reach meanwhile.
    Profile material;
    material.logonMode = s.profile.logonMode;
    material.userId = s.profile.userId;
    material.password = s.profile.password;
    material.pin = s.profile.pin;
    material.answerMode = s.profile.answerMode;
    material.questions = s.profile.questions;
    std::unique_ptr<sealed::Keys> made;
    const sealed::Limits limits = s.sealingLimits;
    s.host.runLongWork(
        [&made, &material, &answerSlots, limits] { made = sealed::MakeKeys(material, answerSlots, limits); });
    Wipe(material);
    // Without keys (no password known) the save goes on as it would have: it keeps what fits or fails.
    if (made && sealed::KeysFit(made.get(), s.profile, answerSlots, limits)) s.sealedKeys = std::move(made);
}

// What every failed save does: keep, log and show the error; the file on disk still carries the
// version this save started from.
SaveOutcome OpenProfile::saveFailed(const ErrorInfo& error, std::int32_t versionBefore) {
    State& s = *state_;
    s.keepError(error);
    logError(kOpWriteToFile, s.lastErrorNumber, s.lastErrorText);
    // A read-only file, or a link that is not followed, is said so: closing would not help.
    s.show(RefusalMessage(s.profileName, error)
               .value_or(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText + u"(" +
                                     s.lastErrorNumber + u")" + kLineBreak + kCloseAndReopen,
                                 u"WriteToFile")));
    s.retryCounter = 0;
    s.profile.version = versionBefore;
    return SaveOutcome::Failed;
}

// Holds the file, unless this instance still holds it since its load or last save. Only another
// instance's hold is worth waiting for; any other failure is final at once.
ErrorInfo OpenProfile::holdForSave() {
    State& s = *state_;
    if (s.held || s.retryCounter != 0) {
        return ErrorInfo::none();
    }
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        s.retryCounter = attempt;
        ErrorInfo error;
        s.held = s.files.openHeld(s.profilePath, error);
        if (s.held) {
            s.retryCounter = 0;
            break;
        }
        if (!error.inUse || attempt == kAttempts) {
            return error.failed() ? error : ErrorInfo::of(error::kPathFileAccess);
        }
        s.host.waitMilliseconds(kRetryWaitMs);
    }
    return ErrorInfo::none();
}

// The version in the held file, read again while a read fails and the file is still held; -1
// when it cannot be read (the last attempt shows why).
std::int32_t OpenProfile::readStoredVersion() {
    State& s = *state_;
    std::int32_t storedVersion = -1;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        s.retryCounter = attempt;
        storedVersion = readVersion(attempt == kAttempts);
        if (s.ended() || storedVersion != -1 || !s.held) {
            break;
        }
        s.host.waitMilliseconds(kRetryWaitMs);
    }
    return storedVersion;
}

// Another user saved: their version is loaded in place of this change. The session goes on when
// the logon details are as they were; otherwise it is locked.
SaveOutcome OpenProfile::reloadAfterOtherSave() {
    State& s = *state_;
    const std::int32_t logonMode = s.profile.logonMode;
    const std::u16string userId = s.profile.userId;
    const std::u16string password = s.profile.password;
    const std::u16string pin = s.profile.pin;
    const bool lockedBefore = s.report.lockSession;
    bool refused = false;  // what is there now is a link that is not followed: the session ends
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        s.retryCounter = attempt;
        if (s.held) {
            loadHeld(attempt == kAttempts);
        } else {
            readFromFile(attempt == kAttempts);
        }
        if (s.ended()) {
            s.retryCounter = 0;
            return SaveOutcome::Failed;
        }
        if (s.loaded()) {
            break;
        }
        if (attempt < kAttempts && RefusalMessage(s.profileName, s.lastError)) {
            // No retry changes that.
            loadFailed(true, s.lastError);
            refused = true;
            break;
        }
        if (attempt < kAttempts) {
            s.host.waitMilliseconds(kRetryWaitMs);
        }
    }
    s.retryCounter = 0;
    // A lock asked for while the file was read again (a failed sum check) ends the session as a
    // changed logon does.
    const bool lockedDuringReload = s.report.lockSession && !lockedBefore;
    s.sameLogonAfterReload = !refused && !lockedDuringReload && s.profile.logonMode == logonMode &&
                             s.profile.userId == userId && s.profile.password == password &&
                             s.profile.pin == pin;
    // A file that is no longer sealed, or older than what this user saw, is asked about as at open:
    // the save waits for the answer.
    if (s.loaded() && s.awaitAnswer(replacedFileQuestion(), State::Awaiting::Save))
        return SaveOutcome::NeedsAnswer;
    return finishReloadAfterSave();
}

SaveOutcome OpenProfile::finishReloadAfterSave() {
    State& s = *state_;
    if (s.sameLogonAfterReload) {
        s.show(Message(kRecordModified + std::u16string(kLineBreak) + kRefreshing));
        return SaveOutcome::ConflictRefreshed;
    }
    s.show(Message(kProfileModified + std::u16string(kLineBreak) + kLoginAgain));
    s.report.clearDirty = true;
    s.report.lockSession = true;
    s.held.reset();
    return SaveOutcome::ConflictLockedOut;
}

// Something was put in the profile's place (another file, a link) after the save checked it, and
// before its new file went in: that is another user's save as well. Nothing was written over it;
// what is there now is loaded (or refused, for a link that is not followed) as after any conflict.
SaveOutcome OpenProfile::replacedDuringSave(std::int32_t versionBefore) {
    State& s = *state_;
    s.profile.version = versionBefore;
    s.held.reset();
    return reloadAfterOtherSave();
}

// Writes the new content to a temporary file beside the profile and puts it in place.
SaveOutcome OpenProfile::writeNewFile(std::int32_t versionBefore, Write write) {
    State& s = *state_;
    const bool creating = write != Write::Save;
    ErrorInfo error;
    std::unique_ptr<WritableFile> out =
        s.files.createTemporary(s.profilePath, creating ? nullptr : s.held.get(), error);
    // A temporary file not yet in place goes with `out`.
    const auto failed = [&](const ErrorInfo& why) {
        out.reset();
        return saveFailed(why, versionBefore);
    };
    if (!out && error.replaced) {
        return replacedDuringSave(versionBefore);
    }
    if (!out) {
        return failed(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
    }
    const std::int32_t newVersion = versionToWrite(write);
    const bool writeSealed = creating ? write == Write::FirstFileSealed : s.seal;
    // A profile saved before identities were written gets one now, and keeps it.
    if (s.profile.identity.empty()) s.profile.identity = NewProfileIdentity();
    if (writeSealed && s.lockedFile) {
        // The body of the loaded file was never opened: the Profile holds only its header.
        return failed(ErrorInfo::of(error::kInvalidCall));
    }
    bool encoded = false;
    FingerprintBuilder written;
    try {
        encoded = writeLines(*out, newVersion, write, written, error);
    } catch (const std::bad_alloc&) {
        return failed(ErrorInfo::of(error::kOutOfMemory));
    }
    if (!encoded) {
        return failed(error);  // a write failed, or a line did not encrypt (no error number)
    }
    s.profile.version = newVersion;
    error = out->flush();
    if (error.failed()) {
        return failed(error);
    }
    std::unique_ptr<ReadableFile> installed =
        s.files.install(std::move(out), s.profilePath, !creating, error);
    if (!installed && error.replaced) {
        return replacedDuringSave(versionBefore);
    }
    if (!installed) {
        return failed(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
    }
    // The new file is the profile from here on; a folder that cannot be flushed is reported, but
    // the save stands (its content is on disk and the old file is gone).
    error = s.files.flushFolder(s.profilePath);
    if (creating) {
        installed.reset();
    } else {
        s.held = std::move(installed);  // lets go of the old file only now
        s.fingerprint = written.result();
        s.stamp = s.files.stampOf(*s.held);
    }
    if (error.failed()) {
        logError(kOpWriteToFile, ErrorNumberText(error.number), error.description);
    }
    s.retryCounter = 0;
    if (!writeSealed && !creating) {
        s.sealedKeys.reset();
    }
    if (!writeSealed) s.readablePassword = true;
    RememberSeenProfile(s.settings, s.profilePath, SeenProfile{writeSealed, newVersion},
                        s.formChosen || creating);
    return SaveOutcome::Saved;
}

// Each line goes to `out` as soon as it is made, and is counted (the last one, the trailer, is not
// counted in itself). False when a write failed (`error` says why) or a line did not encrypt.
bool OpenProfile::writeLines(WritableFile& out, std::int32_t newVersion, Write kind,
                             FingerprintBuilder& fingerprint, ErrorInfo& error) {
    State& s = *state_;
    const bool writeSealed = kind == Write::Save ? s.seal : kind == Write::FirstFileSealed;
    std::size_t lastLength = 0;
    const LineSink write = [&](const std::string& line) {
        fingerprint.add(line);
        error = out.writeLine(line);
        ++s.lineCount;
        s.runningLength += static_cast<double>(line.size());
        lastLength = line.size();
        return !error.failed();
    };
    bool encoded = false;
    if (writeSealed) {
        const std::vector<std::string> lines =
            sealed::SealProfile(s.profile, newVersion, s.sealedKeys, s.sealingLimits, answerSlotsToSeal());
        encoded = !lines.empty() && std::all_of(lines.begin(), lines.end(), write);
    } else if (s.sealedKeys && s.profile.password.empty()) {
        // A sealed profile opened with its answers does not know its password until a new one is
        // set: the usual form would open with an empty one.
        encoded = false;
    } else {
        encoded = EncodeProfileTo(s.profile, newVersion, KeyTimeText(s.clock.now().secondsSinceMidnight()),
                                  kind != Write::Save, write);
    }
    if (encoded) {
        --s.lineCount;
        s.runningLength -= static_cast<double>(lastLength);
    }
    return encoded;
}

}  // namespace keyloft
