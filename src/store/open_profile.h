#pragma once
// The open profile: the profile file that is held and loaded, its one Profile, the logon, saving
// with change detection between users, the first file of a new profile, the keys and version of
// the sealed form, and forget(). It finds its files through the ProfileFolder below it; the edits
// (store/profile_edits.h) sit above it and write through its save.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/clock.h"
#include "store/profile.h"
#include "store/profile_results.h"
#include "store/sealing_limits.h"
#include "store/settings_store.h"
#include "store/ui_host.h"

namespace keyloft {

class FileSystem;          // store/file_system.h: the seam over profile files (hold, rename, write)
class FingerprintBuilder;  // store/bounded_lines.h
class WritableFile;
class ProfileFolder;
namespace sealed {
class Key;  // store/sealed_profile.h
struct LogonValues;
struct SealedFile;
}  // namespace sealed

class OpenProfile {
  public:
    // A sealed save that makes new key slots makes them with `sealingLimits`.
    OpenProfile(ProfileFolder& folder, UiHost& host, FileSystem& files, SettingsStore& settings,
                const Clock& clock, sealed::Limits sealingLimits = sealed::DefaultLimits());
    ~OpenProfile();
    OpenProfile(const OpenProfile&) = delete;
    OpenProfile& operator=(const OpenProfile&) = delete;

    // Checks the name, holds <name>.dat, puts right what an interrupted save left beside it (a
    // backup, temporary files) and loads it. A file that was sealed when this user last used it and
    // is not now, or whose version went back, is opened only when the user says so (NeedsAnswer).
    OpenResult openProfile(std::u16string_view profileName);
    // The user's answer to the question of a load (OpenResult::question): Yes opens the file
    // (Loaded), No lets it go (Replaced; in the middle of a session the report locks as well).
    OpenResult answerReplacedFile(bool open);
    // Writes the first file of a new profile with the defaults, through the writer of every save;
    // the Profile holds those defaults afterwards. Reported messages: "Specify a profile name!",
    // "This profile already exists...", bad names, the save failure.
    CreateResult createProfile(std::u16string_view profileName);
    // The same, sealed with `start` from the first file on. Before anything is written the password
    // passes the security setup's checks and the sealing rule (store/sealing_rule.h); a refusal is
    // the report's one message (outcome Refused).
    CreateResult createProfile(std::u16string_view profileName, const SealedStart& start);

    // Loads the open profile's file again, holding it.
    OpenResult reload();
    // The same for a session that lets go of the file between its steps (the tool's shell): the file
    // is held again, and read only when it is not the one loaded or written last, unchanged (the same
    // file, size and times; compared by content too when it had changed just before). A sealed file
    // read again opens only with this session's data key and while its logon slot is the one logged
    // on with; otherwise only its header is loaded (loadedSealedFile) and the logon is asked again.
    // A file no longer sealed or gone back is asked about as at open.
    OpenResult reloadIfChanged();
    // Saves the Profile: version check against the file, conflict handling, then the new file.
    SaveResult save();
    // The user's answer to the question of a save that read another user's file (NeedsAnswer): Yes
    // goes on with that file as after any conflict, No ends the session. Nothing is written.
    SaveResult answerReplacedSave(bool goOn);

    // The logon step (see LogonOutcome). Typed values are trimmed as every logon check trims them;
    // the answers are those typed for the first three questions, in order.
    LogonOutcome logOn(const LogonDetails& typed);
    LogonOutcome logOnWithAnswers(const std::vector<std::u16string>& typedAnswers);
    // The same step in two halves for a sealed file, so that the slow half (the key derivation of
    // sealed::UnwrapWithLogon or UnwrapWithAnswers) runs outside the file hold and off the window's
    // thread (store/sealed_unlock.h): a copy of the loaded sealed file (nullopt while the loaded file
    // is in the usual form or nothing is loaded), then the body opened with the data key its slots
    // gave; `known` are the trimmed logon details that opened the logon slot (null when the answers
    // opened one: the password stays unknown).
    std::optional<sealed::SealedFile> loadedSealedFile() const;
    LogonOutcome logOnWithKey(const sealed::Key& dataKey, const sealed::LogonValues* known);
    // False while a sealed file is loaded, before logon, that no answers open (its answers were too
    // easy to guess when it was sealed): Forgotten Logon cannot open it.
    bool answersCanOpen() const;
    // The form saves write: sealed (true when the loaded file was sealed) or the usual form. New
    // profiles are written in the usual form unless created with a SealedStart.
    bool sealed() const;

    // Closes the held file.
    void closeHeldFile();
    // Drops the profile: every secret held (logon details, entries, questions and answers, the
    // sealed form's data key and slots, the file key) is overwritten and freed, and the file is
    // let go. Nothing is loaded or logged on afterwards, and nothing is saved until a profile is
    // loaded again; the database folder and the settings stay. Lock, closing the profile and the
    // end of a command-line command call it.
    void forget();
    bool holdsFile() const;
    bool loaded() const;

    const Profile& profile() const;
    const std::u16string& profileName() const;  // name of the loaded profile

  private:
    friend class ProfileEdits;  // store/profile_edits.h: changes the Profile and its form, then saves
    friend class EntryImport;   // store/entry_import.h: adds rows in memory, saved once

    CreateResult createFirstFile(std::u16string_view profileName, const SealedStart* sealedStart);
    void readFromFile(bool showErrors);
    std::int32_t readVersion(bool showErrors);
    // What a write makes: the next file of the open profile, or the first file of a new one.
    enum class Write { Save, FirstFile, FirstFileSealed };
    SaveOutcome writeToFile(Write write);
    std::vector<std::vector<int>> answerSlotsToSeal() const;
    void makeSealingKeys(Write write);
    SaveOutcome saveFailed(const ErrorInfo& error, std::int32_t versionBefore);
    ErrorInfo holdForSave();
    std::int32_t readStoredVersion();
    SaveOutcome reloadAfterOtherSave();
    SaveOutcome replacedDuringSave(std::int32_t versionBefore);
    SaveOutcome writeNewFile(std::int32_t versionBefore, Write write);
    bool writeLines(WritableFile& out, std::int32_t newVersion, Write kind, FingerprintBuilder& fingerprint,
                    ErrorInfo& error);
    void loadHeld(bool showErrors);
    void loadFailed(bool showErrors, const ErrorInfo& error);
    OpenOutcome loadOutcome() const;
    bool heldFileUnchanged();  // the held file is the one loaded or written last
    // The question about a file no longer sealed or at an older version than this user saw; none
    // when it is not such a file (or the user said Yes to this one already).
    std::optional<MessageRequest> replacedFileQuestion();
    void answerReplaced(bool open);              // logs the answer; Yes: remembers the file as accepted
    OpenResult finishOpen(OpenResult result);    // what an open does once the file is accepted
    OpenResult finishReload(OpenResult result);  // the same for a load in the middle of a session
    SaveOutcome finishReloadAfterSave();         // the same for another user's save read again
    std::optional<std::int32_t> newestConflictCopyVersion();
    void rememberSeen();                             // this user's memory of the file's form and version
    std::int32_t versionToWrite(Write write) const;  // never one this user has seen already
    void loadSealed(bool showErrors);
    LogonOutcome openSealedBody(const sealed::Key& dataKey, const sealed::LogonValues* known);
    ErrorInfo takeProfile();
    void proveBackup(const sealed::LogonValues* known);
    bool forgotten() const;  // forget() ran and no profile was loaded since
    void logError(std::u16string_view operation, std::u16string_view number, std::u16string_view description);

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace keyloft
