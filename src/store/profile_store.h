#pragma once
// The profile storage: the database folder, the profile file that is loaded and held, the one
// Profile, loading with its integrity checks, saving with change detection between users,
// creating, listing and deleting profiles, the two settings and the error log. The window and
// the command-line tool both work through this one class.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/clock.h"
#include "store/entry.h"
#include "store/error_codes.h"
#include "store/profile.h"
#include "store/sealing_limits.h"
#include "store/settings_store.h"
#include "store/ui_host.h"

namespace keyloft {

class FileSystem;  // store/file_system.h: the seam over profile files (hold, rename, write)
class FingerprintBuilder;  // store/bounded_lines.h
class WritableFile;
namespace sealed {
class Key;  // store/sealed_profile.h
struct LogonValues;
struct SealedFile;
}

enum class SaveOutcome {
    Saved,             // new file written, version + 1
    NeedsAnswer,       // another user's save is a file no longer sealed or gone back: `question`
                       // asks whether to go on with it; answerReplacedSave() takes the answer
    ConflictRefreshed, // another user saved: change dropped, Profile reloaded ("The record has been modified...")
    ConflictLockedOut, // another user changed the logon details: the caller locks the session
    Failed,            // the save failed: the file is as it was
};

struct [[nodiscard]] SaveResult {
    SaveOutcome outcome = SaveOutcome::Failed;
    ErrorInfo error;     // for Failed: why
    StoreReport report;  // what the window shows and does about it, in order
    std::optional<MessageRequest> question;  // for NeedsAnswer: asked before the report is carried out

    bool saved() const { return outcome == SaveOutcome::Saved; }
};

// A conflict copy of the loaded profile (store/conflict_copies.h) and what merging it adds.
struct ConflictCopyInfo {
    std::u16string fileName;
    std::u16string problem;  // why it is left alone; empty when it is merged
    // Sound and readable with this logon, but nothing shows that it is a copy of this profile: it
    // is merged only when the user says so (until then `problem` says why not).
    bool unproven = false;
    std::size_t newEntries = 0;  // what it adds to the profile and to the copies listed before it
    std::size_t newCategories = 0;
};

// The conflict copies of the loaded profile, each read once, and what merging them adds: the one
// plan that a preview shows and that the merge carries out, so that the counts shown are the
// counts added. What the copies hold is wiped when it goes, and the copies stay held until then.
class ConflictMerge {
public:
    ConflictMerge();
    ~ConflictMerge();
    ConflictMerge(ConflictMerge&&) noexcept;
    ConflictMerge& operator=(ConflictMerge&&) noexcept;

    const std::vector<ConflictCopyInfo>& copies() const { return copies_; }  // in listing order
    std::size_t entriesAdded() const { return entries_; }
    std::size_t categoriesAdded() const { return categories_; }
    std::size_t copiesMerged() const;    // the copies the merge takes
    std::size_t unprovenCopies() const;  // those that nothing shows to be of this profile

private:
    friend class ProfileStore;
    struct Reads;
    std::unique_ptr<Reads> reads_;
    std::vector<ConflictCopyInfo> copies_;
    std::size_t entries_ = 0;
    std::size_t categories_ = 0;
};

struct [[nodiscard]] MergeResult {
    std::size_t entriesAdded = 0;
    std::size_t categoriesAdded = 0;
    std::vector<std::u16string> merged;      // copies merged and removed
    std::vector<ConflictCopyInfo> leftAlone; // copies that could not be merged, or not removed
    SaveResult save;                         // the one save (Saved when nothing was to be added)
};

enum class OpenOutcome {
    Loaded,     // the profile is loaded and held
    NotChosen,  // no name: nothing was done
    BadName,    // the name fails the profile-name rule: nothing was touched
    InUse,      // another instance holds the profile
    NotFound,   // there is no such profile file
    Empty,      // the file is empty (a damaged file)
    Damaged,    // the file fails a check of its content (sums, trailer, record fields; a sealed
                // file's header, framing or authentication: nothing of it was kept)
    NotReadable,  // the file's permissions keep this user out, or it is a link Keyloft does not
                  // follow there: said so, nothing else is done
    Failed,     // any other failure (the file could not be read)
    Ended,      // a line the cipher rejects: the program must end at once
    Replaced,   // the file is no longer sealed or its version went back since this user last used it,
                // and the user chose not to open it (the question is asked, default No): let go
    NeedsAnswer,  // such a file is loaded and held: `question` asks whether to open it, and
                  // answerReplacedFile() takes the answer; nothing else is done meanwhile
};

struct [[nodiscard]] OpenResult {
    OpenOutcome outcome = OpenOutcome::Failed;
    ErrorInfo error;
    // The messages and steps the window takes: for BadName, InUse and Empty one message (OK
    // button, application title) and nothing else; for Damaged, Failed and Ended what the loader
    // has always shown, and the lock, close or end that follows it.
    StoreReport report;
    bool unchanged = false;  // reloadIfChanged: the file is the one in memory; nothing was read
    std::optional<MessageRequest> question;  // for NeedsAnswer: asked before the report is carried out

    bool loaded() const { return outcome == OpenOutcome::Loaded; }
};

enum class CreateOutcome {
    Created,     // the first file of the new profile is written
    Refused,     // no name, a name the rule refuses, or a profile of that name exists
    SaveFailed,  // writing the file failed; nothing is left (the caller lists the folder again,
                 // which may ask "Profiles Missing" once the failure is shown)
};

// A listing of the database folder, and the question it leaves to its caller.
struct [[nodiscard]] ProfileList {
    std::vector<std::u16string> names;  // in listing order
    // "Profiles Missing": the database folder holds no profile and the application folder is
    // another folder. Asked (Yes/No, default No) before anything else is shown; Yes calls
    // useApplicationFolder(), which lists that folder instead.
    std::optional<MessageRequest> question;
};

struct [[nodiscard]] CreateResult {
    CreateOutcome outcome = CreateOutcome::Refused;
    ErrorInfo error;
    StoreReport report;
    std::optional<MessageRequest> folderQuestion;  // the listing's question after the file was written
    explicit operator bool() const { return outcome == CreateOutcome::Created; }
};

enum class DeleteOutcome { Deleted, NotConfirmed, NotChosen, BadName, NotFound, Failed };

// Whether the user has said Yes to "Are you sure you want to delete the selected profile?".
enum class DeleteConfirmation { NotAsked, Confirmed };

struct [[nodiscard]] DeleteResult {
    DeleteOutcome outcome = DeleteOutcome::Failed;
    ErrorInfo error;  // for Failed (another instance holds the file: `inUse`)
    StoreReport report;
    // For NotConfirmed: the question to ask; Yes calls deleteProfile again, Confirmed.
    std::optional<MessageRequest> question;
    std::optional<MessageRequest> folderQuestion;  // the listing's question after the file went
};

// The logon step: the typed details or answers against the loaded profile. A profile in the usual
// form compares them with its stored values; a sealed one opens its body with them.
enum class LogonOutcome {
    LoggedOn,   // the details or answers are right; the Profile holds everything
    Incorrect,  // "The Details are incorrect"
    Damaged,    // a sealed body that does not authenticate: nothing of it was kept, the file let go
};

// What the user typed in the logon boxes (trimmed by the logon step).
struct LogonDetails {
    std::u16string userId;
    std::u16string password;
    std::u16string pin;
};

// What an edit of the profile did. Refused by a rule: nothing changed, nothing was written, and
// `refusal` holds the rule's message. Otherwise it was applied and `save` says how writing went
// (a failed save leaves the change in memory; a conflict has reloaded the profile without it).
struct [[nodiscard]] EditResult {
    std::optional<std::u16string> refusal;
    EntryCheck check;                // the entry checks' full answer (entry edits only)
    std::optional<SaveResult> save;  // set when the edit was applied
    std::size_t position = 0;        // 1-based position of the entry or category afterwards
    bool setupRule = false;          // refused by a rule of the security setup (not the separator's)
    // The security setup when it seals: answers too easy to guess get no key slot. Not applied
    // yet, and `offer` is the question (Yes/No) when all the answers together would reach the
    // floor: Yes sets the answer mode to `offeredAnswerMode`, No sets weakAnswersAccepted; then
    // the edit is made again. Applied, `notice` says which answers were left out and what follows.
    std::optional<std::u16string> offer;
    std::int32_t offeredAnswerMode = 0;
    std::optional<std::u16string> notice;

    bool applied() const { return save.has_value(); }
};

// The logon details and questions as typed in the security setup (blanks around them are trimmed).
struct SecuritySettings {
    std::int32_t logonMode = kPasswordOnly;
    std::u16string userId;
    std::u16string password;  // the password box as it stands (the mask while not retyped)
    std::u16string pin;
    std::vector<SecurityQuestion> questions;  // the pairs as typed; a pair without a question is not kept
    std::int32_t answerMode = 0;  // 0: the stored answer mode stays
    bool seal = false;
    std::u16string confirmation;  // the confirmation box: must match the password box
    bool passwordRetyped = true;  // false: the stored password stays
    bool weakAnswersAccepted = false;  // sealed without slots for answers too easy to guess, unasked
};

// The logon a profile is created with when it is sealed from its first file: password only, with
// no security question (a sealed file then has no answer slot), instead of the defaults.
struct SealedStart {
    std::u16string password;
    std::u16string confirmation;  // must match the password, as in the security setup
};

// Texts of the security setup's refusals.
inline constexpr char16_t kSpecifyPasswordText[] = u" Specify correct password!";
inline constexpr char16_t kSpecifyUserIdText[] = u" Specify correct UserID!";
inline constexpr char16_t kSpecifyPinText[] = u" Specify correct PIN Number!";
inline constexpr char16_t kPasswordMismatchText[] = u"  Password does not match!";
inline constexpr char16_t kQuestionOrAnswerBlankText[] = u"Question or Answer cannot be blank!";
inline constexpr char16_t kNeedOneQuestionText[] = u"There must be at least 1 question and answer!";
inline constexpr char16_t kNeedTwoQuestionsText[] = u"There must be at least 2 questions and answers!";
inline constexpr char16_t kSeparatorRefusedText[] = u"The character | cannot be used here.";

inline constexpr char16_t kProfileDamagedMessage[] = u"The profile file is damaged.";

// "The profile <name> is in use by another user. Try again later."
std::u16string ProfileInUseMessage(std::u16string_view profileName);
// What a user is told whom the permissions of a profile's file keep out, and how that is put right.
std::u16string ProfileNotReadableMessage(std::u16string_view profileName);
// The same for a file this user may read but not change: it is neither saved nor deleted.
std::u16string ProfileReadOnlyMessage(std::u16string_view profileName);
// The same for a profile that is a link in (or into) a folder that other users can change.
std::u16string ProfileLinkRefusedMessage(std::u16string_view profileName);
// Empty when the name may name a profile file; otherwise the message that refuses it.
std::u16string ProfileNameProblem(std::u16string_view profileName);

class ProfileStore {
public:
  // The application folder is where the program is (the "Profiles Missing" question offers it);
  // the default database folder is used while the "Database" setting names none (empty: the
  // application folder). A sealed save that makes new key slots makes them with `sealingLimits`.
  ProfileStore(UiHost& host, FileSystem& files, SettingsStore& settings, const Clock& clock,
               std::filesystem::path applicationFolder, std::filesystem::path defaultDatabaseFolder = {},
               sealed::Limits sealingLimits = sealed::DefaultLimits());
  ~ProfileStore();
  ProfileStore(const ProfileStore&) = delete;
  ProfileStore& operator=(const ProfileStore&) = delete;

  // Profile folder.
  std::filesystem::path folderFromSettings();
  // Settles the database folder and returns the profile names in listing order, with the
  // "Profiles Missing" question when there are none. The window fills cboProfile from it and
  // selects the first.
  ProfileList listProfiles();
  // The answer Yes to "Profiles Missing": the application folder is the database folder from now
  // on; its profile names in listing order.
  std::vector<std::u16string> useApplicationFolder();
  // The profile names of the settled database folder, in listing order, without a question. A
  // file whose name cannot be read as text is left out, as listProfiles leaves it out.
  std::vector<std::u16string> profileNames();
  // The profiles of the settled database folder that have conflict copies beside them.
  std::vector<std::u16string> profilesWithConflictCopies();
  // Checks the name, holds <name>.dat, puts right what an interrupted save left beside it (a
  // backup, temporary files) and loads it. A file that was sealed when this user last used it and
  // is not now, or whose version went back, is opened only when the user says so (NeedsAnswer).
  OpenResult openProfile(std::u16string_view profileName);
  // The user's answer to the question of a load (OpenResult::question): Yes opens the file
  // (Loaded), No lets it go (Replaced; in the middle of a session the report locks as well).
  OpenResult answerReplacedFile(bool open);
  // Writes the first file of a new profile (defaults, creating flag). Reported messages:
  // "Specify a profile name!", "This profile already exists...", bad names, the save failure.
  CreateResult createProfile(std::u16string_view profileName);
  // The same, sealed with `start` from the first file on. Before anything is written the password
  // passes the security setup's checks and the sealing rule (store/sealing_rule.h); a refusal is
  // the report's one message (outcome Refused).
  CreateResult createProfile(std::u16string_view profileName, const SealedStart& start);
  // Deletes once confirmed: NotAsked returns NotConfirmed with the question "Are you sure you
  // want to delete the selected profile?" (a bad name is refused before it is asked).
  DeleteResult deleteProfile(std::u16string_view profileName,
                             DeleteConfirmation confirmation = DeleteConfirmation::NotAsked);

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

  // Reads the conflict copies of the loaded profile that a file-sync engine left in the folder
  // (those named in `fileNames`, all when it is empty), each once and with the logon of the loaded
  // profile, and plans their merge (store/conflict_copies.h says which copies are merged). Copies
  // that nothing shows to be of this profile are left out of the plan. Only after logon.
  ConflictMerge readConflictCopies(const std::vector<std::u16string>& fileNames = {});
  // Plans the merge again with those copies taken in: the user said they are copies of this one.
  void includeUnprovenCopies(ConflictMerge& merge);
  // Carries the plan out: adds what only the copies hold, saves once (a merged profile is written
  // at a version newer than each copy), and only after that save removes the merged copies, each
  // only while its name still bears the file that was read. Nothing for a plan of another session.
  MergeResult mergeConflictCopies(ConflictMerge& merge);

  // The logon step (see LogonOutcome). Typed values are trimmed as every logon check trims them;
  // the answers are those typed for the first three questions, in order.
  LogonOutcome logOn(const LogonDetails& typed);
  LogonOutcome logOnWithAnswers(const std::vector<std::u16string>& typedAnswers);
  // The same step in two halves for a sealed file, so that the window can run the slow half (the
  // key derivation of sealed::UnwrapWithLogon or UnwrapWithAnswers) off the GUI thread: a copy of
  // the loaded sealed file (nullopt while the loaded file is in the usual form or nothing is
  // loaded), then the body opened with the data key its slots gave; `known` are the trimmed logon
  // details that opened the logon slot (null when the answers opened one: the password stays unknown).
  std::optional<sealed::SealedFile> loadedSealedFile() const;
  LogonOutcome logOnWithKey(const sealed::Key& dataKey, const sealed::LogonValues* known);

  // The form saves write: sealed (true when the loaded file was sealed) or the usual form. New
  // profiles are written in the usual form unless created with a SealedStart.
  bool sealed() const;
  void setSealed(bool seal);
  // True when the present password has been stored in the usual form (the loaded file, or a save
  // since): changeSecurity seals only with a new one (kReadablePasswordRefusal).
  bool sealingNeedsNewPassword() const;
  // False while a sealed file is loaded, before logon, that no answers open (its answers were too
  // easy to guess when it was sealed): Forgotten Logon cannot open it.
  bool answersCanOpen() const;
  // Whether this user chose to keep the loaded profile's file in the usual form (store/profile_history.h).
  bool keptReadable();
  void setKeptReadable(bool kept);

  // Edits of the profile: each checks with the rules of store/entry.h, applies, writes the
  // profile and returns what happened. A changed entry or a renamed category moves to the end,
  // as it always has in the file. Positions are 1-based; a position that names nothing changes
  // nothing, but the profile is still written (the window's Delete of a row gone meanwhile).
  EditResult addEntry(const TypedEntry& typed, const ExpiryDateReader& dates);
  EditResult changeEntry(std::size_t position, const TypedEntry& typed, const ExpiryDateReader& dates);
  EditResult removeEntry(std::size_t position);
  EditResult addCategory(std::u16string_view name);
  // position 0 adds the category.
  EditResult renameCategory(std::size_t position, std::u16string_view name);
  EditResult removeCategory(std::size_t position);
  // The separator's refusal comes first; then of the logon details the last check that fails
  // (password, user ID, PIN, confirmation); then the questions.
  EditResult changeSecurity(const SecuritySettings& settings);

  // Closes the held file.
  void closeHeldFile();
  // Drops the profile: every secret held (logon details, entries, questions and answers, the
  // sealed form's data key and slots, the file key) is overwritten and freed, and the file is
  // let go. Nothing is loaded or logged on afterwards, and nothing is saved until a profile is
  // opened again; the database folder and the settings stay. Lock, closing the profile and the
  // end of a command-line command call it.
  void forget();
  bool holdsFile() const;
  bool loaded() const;

  const Profile& profile() const;
  const std::u16string& profileName() const;  // name of the loaded profile
  const std::filesystem::path& databaseFolder() const;
  void setDatabaseFolder(std::filesystem::path folder);

  // Settings and error log.
  bool readSetting(std::u16string_view name, std::u16string& value);
  bool writeSetting(std::u16string_view name, std::u16string_view value);
  void logError(std::u16string_view operation, std::u16string_view number, std::u16string_view description);

private:
    friend class EntryImport;  // store/entry_import.h: adds rows in memory, saved once

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
    bool heldFileUnchanged();   // the held file is the one loaded or written last
    // The question about a file no longer sealed or at an older version than this user saw; none
    // when it is not such a file (or the user said Yes to this one already).
    std::optional<MessageRequest> replacedFileQuestion();
    void answerReplaced(bool open);  // logs the answer; Yes: remembers the file as accepted
    OpenResult finishOpen(OpenResult result);    // what an open does once the file is accepted
    OpenResult finishReload(OpenResult result);  // the same for a load in the middle of a session
    SaveOutcome finishReloadAfterSave();         // the same for another user's save read again
    ProfileList listFolder();
    std::optional<std::int32_t> newestConflictCopyVersion();
    void rememberSeen();        // this user's memory of the file's form and version
    std::int32_t versionToWrite(Write write) const;  // never one this user has seen already
    void planMerge(ConflictMerge& merge) const;
    void loadSealed(bool showErrors);
    LogonOutcome openSealedBody(const sealed::Key& dataKey, const sealed::LogonValues* known);
    ErrorInfo takeProfile();
    void proveBackup(const sealed::LogonValues* known);
    bool forgotten() const;      // forget() ran and no profile was opened since
    Profile& editableProfile();  // the one way to change the Profile: the edits (profile_edits.cpp)
    EditResult saveEdit(EditResult result);
    EditResult storeEntry(std::size_t position, const TypedEntry& typed, const ExpiryDateReader& dates);

    struct State;
    std::unique_ptr<State> state_;
};

// Defaults of a new profile: password, user ID, PIN and the default question's answer.
inline constexpr char16_t kDefaultLogonValue[] = u"opensesame";

}  // namespace keyloft
