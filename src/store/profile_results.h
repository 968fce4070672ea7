#pragma once
// What the storage's operations return (outcomes, results, the questions they leave to their
// caller), what they are given (logon details, the security setup), and the messages and rules of
// profile names that the folder, the open profile and the edits share.

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

class FileSystem;          // store/file_system.h: the seam over profile files (hold, rename, write)
class FingerprintBuilder;  // store/bounded_lines.h
class WritableFile;
namespace sealed {
class Key;  // store/sealed_profile.h
struct LogonValues;
struct SealedFile;
}  // namespace sealed

enum class SaveOutcome {
    Saved,              // new file written, version + 1
    NeedsAnswer,        // another user's save is a file no longer sealed or gone back: `question`
                        // asks whether to go on with it; answerReplacedSave() takes the answer
    ConflictRefreshed,  // another user saved: change dropped, Profile reloaded ("The record has been
                        // modified...")
    ConflictLockedOut,  // another user changed the logon details: the caller locks the session
    Failed,             // the save failed: the file is as it was
};

struct [[nodiscard]] SaveResult {
    SaveOutcome outcome = SaveOutcome::Failed;
    ErrorInfo error;                         // for Failed: why
    StoreReport report;                      // what the window shows and does about it, in order
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
    friend class ProfileEdits;
    struct Reads;
    std::unique_ptr<Reads> reads_;
    std::vector<ConflictCopyInfo> copies_;
    std::size_t entries_ = 0;
    std::size_t categories_ = 0;
};

struct [[nodiscard]] MergeResult {
    std::size_t entriesAdded = 0;
    std::size_t categoriesAdded = 0;
    std::vector<std::u16string> merged;       // copies merged and removed
    std::vector<ConflictCopyInfo> leftAlone;  // copies that could not be merged, or not removed
    SaveResult save;                          // the one save (Saved when nothing was to be added)
};

enum class OpenOutcome {
    Loaded,       // the profile is loaded and held
    NotChosen,    // no name: nothing was done
    BadName,      // the name fails the profile-name rule: nothing was touched
    InUse,        // another instance holds the profile
    NotFound,     // there is no such profile file
    Empty,        // the file is empty (a damaged file)
    Damaged,      // the file fails a check of its content (sums, trailer, record fields; a sealed
                  // file's header, framing or authentication: nothing of it was kept)
    NotReadable,  // the file's permissions keep this user out, or it is a link Keyloft does not
                  // follow there: said so, nothing else is done
    Failed,       // any other failure (the file could not be read)
    Ended,        // a line the cipher rejects: the program must end at once
    Replaced,     // the file is no longer sealed or its version went back since this user last used it,
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
    std::int32_t answerMode = 0;              // 0: the stored answer mode stays
    bool seal = false;
    std::u16string confirmation;       // the confirmation box: must match the password box
    bool passwordRetyped = true;       // false: the stored password stays
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

// Defaults of a new profile: password, user ID, PIN and the default question's answer.
inline constexpr char16_t kDefaultLogonValue[] = u"opensesame";

}  // namespace keyloft
