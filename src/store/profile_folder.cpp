// The profile folder: the database folder, the names of profiles and the rule for them, listing,
// the names of conflict copies, deleting profiles, the settings and the error log.
#include <algorithm>
#include <exception>
#include <optional>
#include <unordered_set>
#include <utility>

#include "store/conflict_copies.h"
#include "store/error_log.h"
#include "store/file_system.h"
#include "store/profile_folder.h"
#include "store/profile_history.h"
#include "store/store_detail.h"
#include "store/text_convert.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kNoProfilesFound[] = u"No Profiles found in Database location!";
constexpr char16_t kTryApplicationFolder[] = u"Try application installation folder?";
constexpr char16_t kProfilesMissingTitle[] = u"Profiles Missing";
constexpr char16_t kSpecifyProfileName[] = u"Specify a profile name!";
constexpr char16_t kProfileNameTooLong[] = u"This profile name is too long. Please choose a shorter name!";
constexpr char16_t kBadProfileName[] =
    u"A profile name cannot contain any of these characters: . \\ / : * ? \" < > |";
constexpr char16_t kConfirmDelete[] = u"Are you sure you want to delete the selected profile?";
constexpr char16_t kDeleteProfileTitle[] = u"Delete Profile";
constexpr char16_t kFileNotFoundMessage[] = u"File not found!";
constexpr char16_t kFileErrorTitle[] = u"File Error";
constexpr char16_t kInUseBefore[] = u"The profile ";
constexpr char16_t kInUseAfter[] = u" is in use by another user. Try again later.";
constexpr std::size_t kMaxProfileNameBytes = 200;
constexpr char16_t kErrorLogName[] = u"KeyloftErrors.log";

// Bytes of the UTF-8 form of a text (what a POSIX file name is measured in; a Windows name
// counts UTF-16 code units, never more).
std::size_t Utf8Length(std::u16string_view text) {
    std::size_t bytes = 0;
    for (const char16_t c : text) {
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : (c >= 0xD800 && c <= 0xDFFF) ? 2 : 3;
    }
    return bytes;
}

// The characters no file name may hold somewhere the folder is shared; the control characters
// (C0, DEL and C1); and the marks that turn the direction of text, so that no name can show as
// another ("Team\u202Etad.exe").
bool IsRefusedNameCharacter(char16_t c) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool direction = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                           (c >= 0x2066 && c <= 0x2069);
    return control || direction || std::u16string_view(u".\\/:*?\"<>|").find(c) != std::u16string_view::npos;
}

// Names Windows keeps for devices, whatever follows them: a profile made anywhere must open on
// Windows too.
bool IsReservedDeviceName(std::u16string_view name) {
    std::u16string upper;
    // Windows drops trailing blanks from a file name, so "NUL " is "NUL".
    const std::size_t end = name.find_last_not_of(u' ');
    for (const char16_t c : name.substr(0, end == std::u16string_view::npos ? 0 : end + 1)) {
        upper += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    }
    for (const std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
        if (upper == device) {
            return true;
        }
    }
    return upper.size() == 4 && (upper.compare(0, 3, u"COM") == 0 || upper.compare(0, 3, u"LPT") == 0) &&
           upper[3] >= u'1' && upper[3] <= u'9';
}

}  // namespace

std::u16string ProfileInUseMessage(std::u16string_view profileName) {
    return kInUseBefore + std::u16string(profileName) + kInUseAfter;
}

std::u16string ProfileNameProblem(std::u16string_view profileName) {
    // A name of blanks only is no name.
    if (TrimBlanks(profileName).empty()) {
        return kSpecifyProfileName;
    }
    // Room for ".dat" and the temporary file of a save (".<name>.dat.<8>.tmp") within the 255
    // bytes a file name may have, on every system the folder may be shared with.
    if (Utf8Length(profileName) > kMaxProfileNameBytes) {
        return kProfileNameTooLong;
    }
    bool refused = !MakePath(profileName).has_value() || IsReservedDeviceName(profileName);
    for (const char16_t c : profileName) {
        refused = refused || IsRefusedNameCharacter(c);
    }
    return refused ? std::u16string(kBadProfileName) : std::u16string();
}

namespace {

// A folder as the user reads it; a name that is not valid text shows with its bad bytes replaced.
std::u16string FolderText(const std::filesystem::path& folder) {
    try {
        return folder.u16string();
    } catch (const std::exception&) {
        return Utf8ToUtf16(folder.string());
    }
}

// The profile names of listed files ("Home.dat" gives "Home"); a file whose name is not valid
// text (not UTF-8 on POSIX) cannot be shown and is left out. Each profile once: conflict copies
// that sync engines leave belong to their profile, and two files whose names agree up to the
// first dot name one profile.
std::vector<std::u16string> NamesOfProfileFiles(const std::vector<std::filesystem::path>& files) {
    std::vector<std::u16string> names;
    std::unordered_set<std::u16string> seen;
    for (const std::filesystem::path& file : files) {
        std::u16string name;
        try {
            name = file.u16string();
        } catch (const std::exception&) {
            continue;
        }
        if (ProfileOfConflictCopy(name)) continue;
        name.resize(std::min(name.size(), name.find(u'.')));
        if (seen.insert(name).second) names.push_back(std::move(name));
    }
    return names;
}

// Whether two folder names name the same folder as written ("a/b/" and "a/./b" do).
bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    return (a / "").lexically_normal() == (b / "").lexically_normal();
}

}  // namespace

ProfileFolder::ProfileFolder(FileSystem& files, SettingsStore& settings, const Clock& clock,
                             std::filesystem::path applicationFolder,
                             std::filesystem::path defaultDatabaseFolder)
    : files_(files),
      settings_(settings),
      clock_(clock),
      applicationFolder_(std::move(applicationFolder)),
      defaultDatabaseFolder_(defaultDatabaseFolder.empty() ? applicationFolder_
                                                           : std::move(defaultDatabaseFolder)) {}

const std::filesystem::path& ProfileFolder::databaseFolder() const { return databaseFolder_; }
void ProfileFolder::setDatabaseFolder(std::filesystem::path folder) { databaseFolder_ = std::move(folder); }
std::filesystem::path ProfileFolder::pathOf(std::u16string_view fileName) const {
    return JoinFolder(databaseFolder_, fileName);
}

std::filesystem::path ProfileFolder::folderFromSettings() {
    std::filesystem::path result = defaultDatabaseFolder_;
    std::u16string value;
    if (readSetting(kSettingDatabase, value) && !TrimBlanks(value).empty()) {
        if (const auto folder = MakePath(value)) {
            result = *folder;
        }
    }
    return result;
}

ProfileList ProfileFolder::listProfiles() {
    ProfileList list;
    databaseFolder_ = folderFromSettings();
    list.names = NamesOfProfileFiles(files_.listProfileFiles(databaseFolder_));
    // Trying the application folder makes sense only when it is another folder than the one
    // just searched (a program run from its own, writable folder keeps its profiles there).
    if (list.names.empty() && !SameFolder(databaseFolder_, applicationFolder_)) {
        // The folder is named: an installed program looks in the user's own folder, not its own.
        MessageRequest question =
            Message(kNoProfilesFound + std::u16string(kLineBreak) + FolderText(databaseFolder_) + kLineBreak +
                        kTryApplicationFolder,
                    kProfilesMissingTitle, MessageIcon::Critical);
        question.buttons = MessageButtons::YesNo;
        // Enter must not send new profiles into the program's own folder.
        question.defaultAnswer = MessageAnswer::No;
        question.question = Question::TryApplicationFolder;
        list.question = std::move(question);
    }
    return list;
}

std::vector<std::u16string> ProfileFolder::useApplicationFolder() {
    databaseFolder_ = applicationFolder_;
    return NamesOfProfileFiles(files_.listProfileFiles(databaseFolder_));
}

std::vector<std::u16string> ProfileFolder::profileNames() {
    return NamesOfProfileFiles(files_.listProfileFiles(databaseFolder_));
}

std::vector<std::u16string> ProfileFolder::profilesWithConflictCopies() {
    const std::vector<std::u16string> profiles = profileNames();
    std::vector<std::u16string> names;
    for (const FolderEntry& entry : files_.listDatNames(databaseFolder_)) {
        std::optional<std::u16string> name;
        try {
            name = ProfileOfConflictCopy(entry.name.u16string());
        } catch (const std::exception&) {
            continue;
        }
        if (name && std::find(profiles.begin(), profiles.end(), *name) != profiles.end() &&
            std::find(names.begin(), names.end(), *name) == names.end())
            names.push_back(*name);
    }
    return names;
}

DeleteResult ProfileFolder::deleteProfile(std::u16string_view profileName, DeleteConfirmation confirmation) {
    DeleteResult result;
    // A name that could lead out of the folder is refused before anything else happens.
    if (!profileName.empty()) {
        if (std::u16string problem = ProfileNameProblem(profileName); !problem.empty()) {
            result.report.messages.push_back(Message(std::move(problem)));
            result.outcome = DeleteOutcome::BadName;
            return result;
        }
    }
    MessageRequest question = Message(kConfirmDelete, kDeleteProfileTitle, MessageIcon::Exclamation);
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::No;
    question.question = Question::ConfirmProfileDelete;
    if (confirmation != DeleteConfirmation::Confirmed) {
        result.outcome = DeleteOutcome::NotConfirmed;
        result.question = std::move(question);
        return result;
    }
    if (profileName.empty()) {
        result.report.messages.push_back(Message(kSpecifyProfileName));
        result.outcome = DeleteOutcome::NotChosen;
        return result;
    }
    const std::filesystem::path path = pathOf(std::u16string(profileName) + kProfileExtension);
    if (files_.exists(path)) {
        result.error = files_.remove(path);
        result.outcome = result.error.failed() ? DeleteOutcome::Failed : DeleteOutcome::Deleted;
        if (std::optional<MessageRequest> refused = RefusalMessage(profileName, result.error)) {
            result.report.messages.push_back(std::move(*refused));
        }
        if (!result.error.failed()) ForgetSeenProfile(settings_, path);
        result.folderQuestion = listProfiles().question;
    } else {
        result.report.messages.push_back(
            Message(kFileNotFoundMessage, kFileErrorTitle, MessageIcon::Critical));
        result.outcome = DeleteOutcome::NotFound;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Settings and error log

bool ProfileFolder::readSetting(std::u16string_view name, std::u16string& value) {
    try {
        return settings_.read(name, value);
    } catch (const std::exception&) {
        return false;
    }
}

bool ProfileFolder::writeSetting(std::u16string_view name, std::u16string_view value) {
    try {
        return settings_.write(name, value);
    } catch (const std::exception&) {
        return false;
    }
}

void ProfileFolder::logError(std::u16string_view operation, std::u16string_view number,
                             std::u16string_view description) {
    try {
        const std::u16string entry = ErrorLogLine(clock_.now(), operation, number, description);
        (void)files_.appendText(pathOf(kErrorLogName), Utf16ToUtf8(entry));
    } catch (...) {
        // An entry that cannot be written is lost.
    }
}

}  // namespace keyloft
