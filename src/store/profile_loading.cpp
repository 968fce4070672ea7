// Loading: reading the profile's file and its version, the usual and the sealed form with every
// check of the format.
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "crypto/text_cipher.h"
#include "store/bounded_lines.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/open_profile_state.h"
#include "store/text_convert.h"
#include "store/work_counts.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kInvalidDataSum[] = u"Invalid Data";
constexpr char16_t kInvalidDataTrailer[] = u"Invalid Data!.";
constexpr char16_t kInvalidDataDecrypt[] = u"Invalid data.";
constexpr char16_t kDecryptErrorTitle[] = u"Decrypt Error";
constexpr char16_t kNotReadableTitle[] = u"Permission Denied";

constexpr char16_t kOpReadVersion[] = u"ReadVersion";
constexpr char16_t kOpRSumofAC[] = u"RSumofAC";
constexpr char16_t kOpDecrypt[] = u"Decrypt";

// Sealed files: all lines of the file, within the limits of store/read_limits.h.
ErrorInfo ReadAllLines(ReadableFile& file, std::vector<std::string>& lines,
                       FileFingerprint* fingerprint = nullptr) {
    ErrorInfo error;
    (void)ReadBoundedLines(file, lines, error, fingerprint);
    return error;
}

// A file past the limits of store/read_limits.h (a line or the whole), which no writer makes: the
// file is damaged.
bool PastLimits(const ErrorInfo& error) { return error.number == error::kInputPastEnd; }

// The file system refuses this user the file (not another instance's hold, which goes away).
// The file's permissions keep this user out, or it is a link that is not followed there: nothing
// that waiting, or closing and re-opening, would change.
bool NotReadable(const ErrorInfo& error) {
    return (error.number == error::kPermissionDenied && !error.inUse) || error.number == error::kUnsafeLink;
}

}  // namespace

void OpenProfile::State::sumCheckFailed() {
    show(Message(kInvalidDataSum));
    folder.logError(kOpRSumofAC, u"0", u"");
    report.lockSession = true;
    markDamaged();
    held.reset();
}

void OpenProfile::State::decryptRejected() {
    show(Message(kInvalidDataDecrypt, kDecryptErrorTitle));
    folder.logError(kOpDecrypt, u"0", u"");
    phase = Phase::Ended;
    markDamaged();
    held.reset();
    report.endProgram = true;
}

// The generic failure of a load: keep the error, and when asked, tell, log and close the window.
// A file this user may not read is told as such: closing the window would not help.
void OpenProfile::loadFailed(bool showErrors, const ErrorInfo& error) {
    State& s = *state_;
    s.keepError(error);
    if (!showErrors) {
        return;
    }
    if (NotReadable(error)) {
        s.show(RefusalMessage(s.profileName, error)
                   .value_or(Message(ProfileNotReadableMessage(s.profileName), kNotReadableTitle,
                                     MessageIcon::Exclamation)));
        logError(kOpReadFromFile, s.lastErrorNumber, s.lastErrorText);
        // Taken away during a session: what is in memory is no longer the file's, so the session ends.
        s.report.lockSession = s.loggedOn();
        return;
    }
    s.show(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText + u"  " + kOpReadFromFile +
                   u" (" + s.lastErrorNumber + u")" + kLineBreak + kCloseAndReopen));
    logError(kOpReadFromFile, s.lastErrorNumber, s.lastErrorText);
    s.report.closeWindow = true;
}

// Reads the held file from its first line into the Profile, with every check of the format.
void OpenProfile::loadHeld(bool showErrors) {
    State& s = *state_;
    s.loadStarts();
    if (s.fault == State::LoadFault::Damaged) s.fault = State::LoadFault::None;
    s.runningLength = 0;
    ProfileDecoder decoder(s.profile);  // fresh collections
    if (!s.held) {
        loadFailed(showErrors, ErrorInfo::of(error::kBadFileNameOrNumber));
        return;
    }
    if (const ErrorInfo error = s.held->rewind(); error.failed()) {
        loadFailed(showErrors, error);
        return;
    }
    if (s.fault == State::LoadFault::DamagedFile) s.fault = State::LoadFault::None;
    s.lockedFile.reset();
    s.fingerprint.reset();
    // Taken before the first byte is read: a change made while the file is read shows in the next stamp.
    s.stamp = s.files.stampOf(*s.held);
    ++ProcessWorkCounts().profileLoads;
    ErrorInfo error;
    std::string line;
    std::string firstLine;
    BoundedLineReader reader(*s.held);
    while (true) {
        if (!s.held) {
            // The session was locked during the load: the file is no longer open.
            loadFailed(showErrors, ErrorInfo::of(error::kBadFileNameOrNumber));
            return;
        }
        if (!reader.next(line, error)) {
            if (PastLimits(error)) {
                s.fault = State::LoadFault::DamagedFile;
                s.keepError(DamagedError());
                return;
            }
            if (error.failed()) {
                loadFailed(showErrors, error);
                return;
            }
            break;
        }
        if (decoder.linesRead() == 0) {
            firstLine = line;
        } else if (decoder.linesRead() == 1) {
            if (sealed::LooksSealed(firstLine, line)) {
                loadSealed(showErrors);
                return;
            }
            s.seal = false;
            s.readablePassword = true;
            s.sealedKeys.reset();
        }
        s.runningLength += static_cast<double>(line.size());
        ProfileDecoder::LineResult result;
        try {
            result = decoder.addLine(line);
        } catch (const std::bad_alloc&) {
            loadFailed(showErrors, ErrorInfo::of(error::kOutOfMemory));
            return;
        }
        for (int k = 0; k < result.sumFailures; ++k) {
            s.sumCheckFailed();
        }
        if (result.rejected) {
            s.decryptRejected();
            return;
        }
        if (result.error.failed()) {
            s.markDamaged();
            loadFailed(showErrors, result.error);
            return;
        }
    }
    if (decoder.linesRead() == 1 && firstLine == sealed::kFirstLine) {
        loadSealed(showErrors);  // a sealed file cut after its first line: damaged
        return;
    }
    if (decoder.linesRead() == 0) {
        // No profile was ever saved empty: the data is gone, whatever the logon.
        s.keepError(ErrorInfo::of(error::kInputPastEnd));
        s.fault = State::LoadFault::Empty;
        return;
    }
    if (!decoder.trailerMatches()) {
        s.markDamaged();
        s.show(Message(kInvalidDataTrailer));
        s.report.closeWindow = true;
        return;
    }
    s.fingerprint = reader.fingerprint();
    s.loadSucceeds();
}

OpenResult OpenProfile::reloadIfChanged() {
    State& s = *state_;
    if (s.phase == State::Phase::LoggedOn && s.stamp) {
        s.held.reset();
        ErrorInfo error;
        s.held = s.files.openHeld(s.profilePath, error);
        if (s.held && heldFileUnchanged()) {
            OpenResult result;
            result.outcome = OpenOutcome::Loaded;
            result.unchanged = true;
            return result;
        }
        s.held.reset();
    }
    s.keysOnly = true;
    OpenResult result = reload();
    s.keysOnly = false;
    return result;
}

// Whether the held file is the one loaded or written last, unchanged. Its stamp tells, unless the
// file had been changed a moment before that stamp was taken: a change within the same tick of the
// system's clock leaves the times as they were, so then its content is compared as well.
bool OpenProfile::heldFileUnchanged() {
    State& s = *state_;
    const std::optional<FileStamp> now = s.files.stampOf(*s.held);
    const FileStamp& then = *s.stamp;
    if (!now || now->device != then.device || now->file != then.file || now->size != then.size ||
        now->modified != then.modified || now->changed != then.changed) {
        return false;
    }
    if (then.changed < then.taken - then.second) return true;
    if (!s.fingerprint || FingerprintOf(*s.held) != s.fingerprint) return false;
    s.stamp = now;  // the content is the one loaded: from now on its times may tell
    return true;
}

OpenResult OpenProfile::reload() {
    State& s = *state_;
    OpenResult result;
    if (s.ended()) {
        result.outcome = OpenOutcome::Ended;
        return result;
    }
    s.beginReport();
    readFromFile(true);
    result.outcome = loadOutcome();
    // Loaded again in the middle of a session (the tool's shell between commands): a file that is
    // no longer sealed or went back is asked about as at open, and No ends the session.
    if (result.outcome == OpenOutcome::Loaded &&
        s.awaitAnswer(replacedFileQuestion(), State::Awaiting::Reload)) {
        result.outcome = OpenOutcome::NeedsAnswer;
        result.question = s.awaitedQuestion;
        return result;
    }
    return finishReload(std::move(result));
}

OpenResult OpenProfile::finishReload(OpenResult result) {
    State& s = *state_;
    if (!s.loaded()) {
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

// What the last load came to.
OpenOutcome OpenProfile::loadOutcome() const {
    const State& s = *state_;
    if (s.loaded()) {
        return OpenOutcome::Loaded;
    }
    if (s.ended()) {
        return OpenOutcome::Ended;
    }
    if (s.fault == State::LoadFault::Empty) {
        return OpenOutcome::Empty;
    }
    if (s.fault != State::LoadFault::None) {
        return OpenOutcome::Damaged;
    }
    if (s.lastError.inUse) {
        return OpenOutcome::InUse;
    }
    if (NotReadable(s.lastError)) {
        return OpenOutcome::NotReadable;
    }
    if (s.lastError.number == error::kFileNotFound) {
        return OpenOutcome::NotFound;
    }
    return OpenOutcome::Failed;
}

// A sealed file: its header and framing are checked and the Profile holds what the header shows
// (logon mode, questions). The body opens at logon; a reload while logged on (a save that found
// another user's version) opens it with the data key or the logon details of this session.
void OpenProfile::loadSealed(bool showErrors) {
    State& s = *state_;
    const sealed::LogonValues before{s.profile.userId, s.profile.password, s.profile.pin};
    const std::int32_t modeBefore = s.profile.logonMode;
    const bool reopen = s.loggedOn();
    std::unique_ptr<sealed::Keys> keys = std::move(s.sealedKeys);
    s.setLoggedOn(false);
    s.runningLength = 0;

    const auto damaged = [&s] {
        s.fault = State::LoadFault::DamagedFile;
        s.keepError(DamagedError());
        sealed::FillHeaderOnly(sealed::SealedFile{}, s.profile);
        s.lockedFile.reset();
    };
    std::vector<std::string> lines;
    FileFingerprint fingerprint{};
    if (const ErrorInfo error = ReadAllLines(*s.held, lines, &fingerprint); PastLimits(error)) {
        damaged();
        return;
    } else if (error.failed()) {
        loadFailed(showErrors, error);
        return;
    }
    for (const std::string& line : lines) {
        s.runningLength += static_cast<double>(line.size());
    }
    std::optional<sealed::SealedFile> file =
        sealed::ParseSealedLines(lines, sealed::LoadingFloor(s.sealingLimits));
    if (!file) {
        damaged();
        return;
    }
    s.seal = true;
    if (!reopen) s.readablePassword = false;
    s.fingerprint = fingerprint;
    if (reopen) {
        const bool keysHold =
            keys && (!s.keysOnly || (modeBefore == file->logonMode &&
                                     sealed::SameLogonSlot(keys->keySlots, file->keySlots)));
        if (keysHold && sealed::OpenBody(*file, keys->dataKey, s.profile, &before)) {
            s.sealedKeys = sealed::KeepKeys(*file, keys->dataKey, s.profile);
        } else if (!s.keysOnly) {
            sealed::Key dataKey;
            if (modeBefore == file->logonMode &&
                sealed::UnwrapWithLogon(*file, before, dataKey) == sealed::Unwrap::Opened) {
                if (!sealed::OpenBody(*file, dataKey, s.profile, &before)) {
                    damaged();
                    return;
                }
                s.sealedKeys = sealed::KeepKeys(*file, dataKey, s.profile);
            }
        }
    }
    if (s.sealedKeys) {
        s.phase = State::Phase::Reloading;  // the session goes on once the load succeeds
    } else {
        // Nothing but the header until the logon step opens the body.
        sealed::FillHeaderOnly(*file, s.profile);
        s.lockedFile = std::move(file);
    }
    s.loadSucceeds();
}

void OpenProfile::readFromFile(bool showErrors) {
    State& s = *state_;
    if (s.ended()) {
        return;
    }
    s.awaiting = State::Awaiting::Nothing;
    s.loadStarts();
    if (s.fault != State::LoadFault::DamagedFile) s.fault = State::LoadFault::None;
    s.profilePath = s.folder.pathOf(s.profileFileName);
    s.held.reset();
    ErrorInfo error;
    s.held = s.files.openHeld(s.profilePath, error);
    if (!s.held) {
        ProfileDecoder clear(s.profile);
        loadFailed(showErrors, error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
        return;
    }
    loadHeld(showErrors);
}

std::int32_t OpenProfile::readVersion(bool showErrors) {
    State& s = *state_;
    std::int32_t result = -1;
    if (s.ended()) {
        return result;
    }

    auto fail = [&](const ErrorInfo& error) {
        s.keepError(error);
        if (!showErrors) {
            return;
        }
        s.show(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText, kOpReadFromFile));
        logError(kOpReadVersion, s.lastErrorNumber, s.lastErrorText);
        s.report.lockSession = true;
        s.held.reset();
    };

    if (!s.held) {
        fail(ErrorInfo::of(error::kBadFileNameOrNumber));
        return result;
    }
    ReadableFile& file = *s.held;
    if (const ErrorInfo error = file.rewind(); error.failed()) {
        fail(error);
        return result;
    }
    ErrorInfo error;
    std::string keyLine;
    std::string line;
    BoundedLineReader reader(file);
    Profile scratch;  // what the first records hold: only the version is kept
    ProfileDecoder decoder(scratch);
    for (int i = 0; i < 3; ++i) {
        if (!reader.next(line, error)) {
            if (PastLimits(error)) {
                error = DamagedError();
            }
            if (error.failed()) {
                fail(error);
                return result;
            }
            break;
        }
        if (i == 0) {
            keyLine = line;
            (void)decoder.addLine(line);
            continue;
        }
        if (i == 1 && sealed::LooksSealed(keyLine, line)) {
            // A sealed file: the version is in its header, read once the whole file checks out.
            std::vector<std::string> lines;
            if (const ErrorInfo readError = ReadAllLines(file, lines); readError.failed()) {
                fail(readError);
                return result;
            }
            const std::optional<sealed::SealedFile> parsed =
                sealed::ParseSealedLines(lines, sealed::LoadingFloor(s.sealingLimits));
            if (!parsed) {
                fail(DamagedError());
                return result;
            }
            return parsed->version;
        }
        // The records are read as a load reads them; of their faults only those of the version
        // record (or of a record whose kind cannot be read) fail the read.
        const ProfileDecoder::LineResult read = decoder.addLine(line);
        if (read.rejected) {
            s.decryptRejected();
            return -1;
        }
        for (int failure = 0; failure < read.sumFailures; ++failure) s.sumCheckFailed();
        if (read.error.failed() && (!read.kind || *read.kind == 8)) {
            fail(read.error);
            return result;
        }
        if (read.kind == 8) result = scratch.version;
        if (!s.held) {
            // A failed sum check locked the session.
            return -1;
        }
    }
    return result;
}

}  // namespace keyloft
