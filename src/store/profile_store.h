#pragma once
// The profile storage: the database folder, the profile file that is loaded and held, the one
// Profile, loading with its integrity checks, saving with change detection between users,
// creating, listing and deleting profiles, the two settings and the error log. The window and
// the command-line tool both work through this one class.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/clock.h"
#include "store/error_codes.h"
#include "store/profile.h"
#include "store/settings_store.h"
#include "store/ui_host.h"

namespace keyloft {

class FileSystem;  // store/file_system.h: the seam over profile files (hold, rename, write)
namespace sealed {
class Key;  // store/sealed_profile.h
}

enum class SaveOutcome {
    Saved,             // new file written, version + 1
    ConflictRefreshed, // another user saved: change dropped, Profile reloaded ("The record has been modified...")
    ConflictLockedOut, // another user changed the logon details: session locked
    Failed,            // save-failure path: the file is as it was, message shown
};

enum class OpenOutcome {
    Loaded,     // the profile is loaded and held
    NotChosen,  // no name: nothing was done
    BadName,    // the name fails the profile-name rule: nothing was touched
    InUse,      // another instance holds the profile
    Empty,      // the file is empty (a damaged file)
    Damaged,    // a sealed file whose header, framing or check is wrong: nothing of it was kept
    Failed,     // any other failure, already reported through the host as the loader reports it
    Ended,      // a line the cipher rejects: the host was told to end the program
};

struct [[nodiscard]] OpenResult {
    OpenOutcome outcome = OpenOutcome::Failed;
    ErrorInfo error;
    // For BadName, InUse and Empty: the message for the user, which the caller shows (OK button,
    // application title). The other outcomes carry none.
    std::u16string message;

    bool loaded() const { return outcome == OpenOutcome::Loaded; }
};

enum class CreateOutcome {
    Created,     // the first file of the new profile is written
    Refused,     // no name, a name the rule refuses, or a profile of that name exists (message shown)
    SaveFailed,  // writing the file failed (the save-failure message was shown); nothing is left
};

struct [[nodiscard]] CreateResult {
    CreateOutcome outcome = CreateOutcome::Refused;
    ErrorInfo error;
    explicit operator bool() const { return outcome == CreateOutcome::Created; }
};

enum class DeleteOutcome { Deleted, NotConfirmed, NotChosen, BadName, NotFound, Failed };

struct [[nodiscard]] DeleteResult {
    DeleteOutcome outcome = DeleteOutcome::Failed;
    ErrorInfo error;  // for Failed (another instance holds the file: `inUse`)
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

inline constexpr char16_t kProfileDamagedMessage[] = u"The profile file is damaged.";

// "The profile <name> is in use by another user. Try again later."
std::u16string ProfileInUseMessage(std::u16string_view profileName);
// Empty when the name may name a profile file; otherwise the message that refuses it.
std::u16string ProfileNameProblem(std::u16string_view profileName);

class ProfileStore {
public:
    ProfileStore(UiHost& host, FileSystem& files, SettingsStore& settings, const Clock& clock,
                 std::filesystem::path applicationFolder);
    ~ProfileStore();
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    // Profile folder.
    std::filesystem::path DatabaseFolder();
    // Settles the database folder and returns the profile names in listing order (may ask
    // "Profiles Missing"). The window fills cboProfile from it and selects the first.
    std::vector<std::u16string> ListProfiles();
    // Checks the name, holds <name>.dat, puts right what an interrupted save left beside it (a
    // backup, temporary files) and loads it.
    OpenResult OpenProfile(std::u16string_view profileName);
    // Writes the first file of a new profile (defaults, creating flag). Messages: "Specify a
    // profile name!", "This profile already exists...", bad names, the save-failure message.
    CreateResult CreateProfile(std::u16string_view profileName);
    // Asks "Are you sure you want to delete the selected profile?" itself, then deletes.
    DeleteResult DeleteProfile(std::u16string_view profileName);

    // Loading and saving. ReadFromFile loads the chosen profile's file again (suffix: text added
    // to its name), holding it.
    void ReadFromFile(bool showErrors, std::u16string_view suffix);
    SaveOutcome WriteToFile();
    std::int32_t ReadVersion(bool showErrors);

    // The logon step (see LogonOutcome). Typed values are trimmed as every logon check trims them;
    // the answers are those typed for the first three questions, in order.
    LogonOutcome LogOn(const LogonDetails& typed);
    LogonOutcome LogOnWithAnswers(const std::vector<std::u16string>& typedAnswers);

    // The form saves write: sealed (true when the loaded file was sealed) or the usual form. New
    // profiles are always written in the usual form.
    bool sealed() const;
    void setSealed(bool seal);

    // Closes the held file (session reset on lock).
    void CloseHeldFile();
    bool holdsFile() const;
    bool loaded() const;

    Profile& profile();
    const Profile& profile() const;
    const std::u16string& profileName() const;  // name of the loaded profile
    const std::filesystem::path& databaseFolder() const;
    void setDatabaseFolder(std::filesystem::path folder);

    // Settings and error log.
    bool ReadSetting(std::u16string_view name, std::u16string& value);
    bool WriteSetting(std::u16string_view name, std::u16string_view value);
    void LogError(std::u16string_view operation, std::u16string_view number,
                  std::u16string_view description);

private:
    void loadHeld(bool showErrors);
    void loadFailed(bool showErrors, const ErrorInfo& error);
    void loadSealed(bool showErrors);
    LogonOutcome openSealedBody(const sealed::Key& dataKey);
    ErrorInfo takeProfile();

    struct State;
    std::unique_ptr<State> state_;
};

// Defaults of a new profile: password, user ID, PIN and the default question's answer.
inline constexpr char16_t kDefaultLogonValue[] = u"opensesame";

}  // namespace keyloft
