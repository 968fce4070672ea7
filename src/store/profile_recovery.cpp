// Taking the profile's file, and putting right what an interrupted save of an earlier build (or of
// the Windows protocol) left beside it: its backup and temporary files. A backup never replaces a
// sound profile unless it proves itself: a sealed one that opens with the profile's key (after
// logon) and is newer. Every repair, and every backup left alone, is logged.
#include <exception>
#include <optional>
#include <utility>

#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/open_profile_state.h"
#include "store/secret_memory.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kOpRecover[] = u"Recover";
constexpr char16_t kBackupSuffix[] = u".bak";

std::filesystem::path BackupOf(const std::filesystem::path& profile) {
    std::filesystem::path path = profile;
    if (const auto tail = MakePath(kBackupSuffix)) path += *tail;
    return path;
}

std::u16string VersionText(std::int32_t version) { return u" (version " + Int32Text(version) + u")"; }

// What a file of the profile holds, checked without acting on anything (used to choose between a
// profile file and a backup that a crash left beside it).
struct FileCheck {
    bool ok = false;
    bool empty = false;
    bool sealed = false;  // in the sealed form, or was before it was damaged
    std::int32_t version = 0;
};

FileCheck CheckHeldFile(ReadableFile& file, const sealed::Limits& floor) {
    FileCheck check;
    if (file.rewind().failed()) {
        return check;
    }
    Profile scratch;
    ProfileDecoder decoder(scratch);
    BoundedLineReader reader(file);
    std::string line;
    std::string firstLine;
    ErrorInfo error;
    bool fault = false;
    while (!fault && reader.next(line, error)) {
        if (decoder.linesRead() == 0) {
            firstLine = line;
        } else if (decoder.linesRead() == 1 && sealed::LooksSealed(firstLine, line)) {
            // A sealed file: its body can only be checked with a key; the check line covers it
            // against damage.
            std::vector<std::string> lines;
            check.sealed = true;
            if (ReadBoundedLines(file, lines, error) == ReadLimit::None && !error.failed()) {
                const std::optional<sealed::SealedFile> parsed = sealed::ParseSealedLines(lines, floor);
                check.ok = parsed.has_value();
                check.version = parsed ? parsed->version : 0;
            }
            (void)file.rewind();
            Wipe(scratch);
            return check;
        }
        const ProfileDecoder::LineResult result = decoder.addLine(line);
        fault = result.sumFailures > 0 || result.rejected || result.error.failed();
    }
    check.empty = !fault && !error.failed() && decoder.linesRead() == 0;
    check.ok = !fault && !error.failed() && decoder.linesRead() > 0 && decoder.trailerMatches() &&
               decoder.sawVersion();
    check.version = scratch.version;
    (void)file.rewind();
    Wipe(scratch);
    return check;
}

}  // namespace

// Holds the chosen profile's file and deals with a backup beside it: put back when the profile is
// missing, empty or damaged and the backup is sound (and, beside a profile that is or was sealed,
// sealed and not older than what this user saw); removed when it is no newer than the sound
// profile; left, and logged, when it is newer: a sealed one is tried with the profile's key after
// logon (proveBackup), one in the usual form cannot prove anything. Temporary files go. On return
// `held` holds the profile file, or the error says why not.
ErrorInfo OpenProfile::takeProfile() {
    State& s = *state_;
    const std::filesystem::path& profilePath = s.profilePath;
    const std::filesystem::path backupPath = BackupOf(profilePath);
    const std::u16string fileName = s.profileFileName;
    const std::u16string backupName = fileName + kBackupSuffix;
    s.backupToProve = false;

    ErrorInfo error;
    s.held = s.files.openHeld(profilePath, error);
    if (!s.held && (error.inUse || error.number != error::kFileNotFound)) {
        return error;
    }
    ErrorInfo backupError;
    std::unique_ptr<ReadableFile> backup =
        s.files.exists(backupPath) ? s.files.openHeld(backupPath, backupError) : nullptr;
    if (backup) {
        const sealed::Limits floor = sealed::LoadingFloor(s.sealingLimits);
        const FileCheck backupCheck = CheckHeldFile(*backup, floor);
        const FileCheck profileCheck = s.held ? CheckHeldFile(*s.held, floor) : FileCheck{};
        // A sealed profile (or one this user last saw sealed) is never replaced by a backup in the
        // usual form, nor by one older than what this user saw: either could be a copy planted.
        const std::optional<SeenProfile> seen = ReadSeenProfile(s.settings, profilePath);
        const bool sealedProfile = profileCheck.sealed || (seen && seen->sealed);
        const bool acceptable =
            !sealedProfile ||
            (backupCheck.sealed && (!seen || !VersionIsNewer(seen->version, backupCheck.version)));
        const bool newer = backupCheck.ok && VersionIsNewer(backupCheck.version, profileCheck.version);
        if (backupCheck.ok && acceptable && !profileCheck.ok) {
            const std::u16string why = !s.held              ? u"was missing"
                                       : profileCheck.empty ? u"was empty"
                                                            : u"failed its checks";
            s.held.reset();
            const ErrorInfo moved = s.files.rename(backupPath, profilePath, true);
            if (moved.failed()) {
                logError(kOpRecover, ErrorNumberText(moved.number), moved.description);
            } else {
                s.held = std::move(backup);
                (void)s.files.flushFolder(profilePath);
                logError(kOpRecover, u"0",
                         backupName + VersionText(backupCheck.version) + u" was put back as " + fileName +
                             u", which " + why);
            }
        } else if (profileCheck.ok && newer && acceptable && profileCheck.sealed && backupCheck.sealed) {
            s.backupToProve = true;
            logError(kOpRecover, u"0",
                     backupName + VersionText(backupCheck.version) + u" is newer than " + fileName +
                         VersionText(profileCheck.version) +
                         u": it replaces it only if it opens with the profile's key at logon");
        } else if (profileCheck.ok && newer) {
            logError(
                kOpRecover, u"0",
                backupName + VersionText(backupCheck.version) + u" was left beside " + fileName +
                    VersionText(profileCheck.version) +
                    u": a backup replaces a sound profile only when it opens with the sealed profile's key");
        } else if (profileCheck.ok) {
            const std::u16string what = !backupCheck.ok ? std::u16string(u"damaged")
                                        : !acceptable   ? u"not sealed or older, beside a sealed profile" +
                                                            VersionText(backupCheck.version)
                                                      : u"older" + VersionText(backupCheck.version);
            backup.reset();
            const ErrorInfo removed = s.files.remove(backupPath);
            if (!removed.failed()) {
                logError(kOpRecover, u"0",
                         backupName + u" (" + what + u") was removed; " + fileName + u" holds version " +
                             Int32Text(profileCheck.version));
            }
        }
    }
    if (!s.held) {
        if (!error.failed()) {
            s.held = s.files.openHeld(profilePath, error);
        }
        if (!s.held) {
            return error.failed() ? error : ErrorInfo::of(error::kPathFileAccess);
        }
    }
    for (const std::filesystem::path& leftover : s.files.removeLeftovers(profilePath)) {
        std::u16string name;
        try {
            name = leftover.u16string();
        } catch (const std::exception&) {
        }
        logError(kOpRecover, u"0", u"the temporary file " + name + u" of an interrupted save was removed");
    }
    return ErrorInfo::none();
}

// After a sealed logon: the newer sealed backup that takeProfile left is put back in place of the
// profile when it opens with the profile's data key (so it is this profile's own), and the
// Profile becomes what it holds; otherwise it stays where it is, logged.
void OpenProfile::proveBackup(const sealed::LogonValues* known) {
    State& s = *state_;
    s.backupToProve = false;
    if (!s.sealedKeys || !s.held) return;
    const std::filesystem::path backupPath = BackupOf(s.profilePath);
    const std::u16string backupName = s.profileFileName + kBackupSuffix;
    ErrorInfo error;
    std::unique_ptr<ReadableFile> backup = s.files.openHeld(backupPath, error);
    if (!backup || !s.files.namesHeldFileItself(backupPath, *backup)) return;
    std::vector<std::string> lines;
    FileFingerprint fingerprint{};
    if (ReadBoundedLines(*backup, lines, error, &fingerprint) != ReadLimit::None || error.failed()) return;
    const std::optional<sealed::SealedFile> file =
        sealed::ParseSealedLines(lines, sealed::LoadingFloor(s.sealingLimits));
    Profile opened;
    if (!file || !VersionIsNewer(file->version, s.profile.version) ||
        !sealed::OpenBody(*file, s.sealedKeys->dataKey, opened, known)) {
        Wipe(opened);
        logError(kOpRecover, u"0",
                 backupName + u" was left beside " + s.profileFileName +
                     u": it does not open with the profile's key, or it is not newer");
        return;
    }
    const std::int32_t before = s.profile.version;
    if (const ErrorInfo moved = s.files.rename(backupPath, s.profilePath, true); moved.failed()) {
        Wipe(opened);
        logError(kOpRecover, ErrorNumberText(moved.number), moved.description);
        return;
    }
    (void)s.files.flushFolder(s.profilePath);
    s.held = std::move(backup);
    s.fingerprint = fingerprint;
    Wipe(s.profile);
    s.profile = std::move(opened);
    s.sealedKeys = sealed::KeepKeys(*file, s.sealedKeys->dataKey, s.profile);
    logError(kOpRecover, u"0",
             backupName + VersionText(file->version) + u" was put back as " + s.profileFileName +
                 VersionText(before) + u": it opens with the profile's key and is newer");
}

}  // namespace keyloft
