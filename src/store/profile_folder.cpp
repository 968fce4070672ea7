// The profile folder: the database folder, the names of profiles and the rule for them, listing,
// conflict copies and their merge, and opening, creating and deleting profiles.
#include <algorithm>
#include <exception>
#include <optional>
#include <unordered_set>
#include <utility>

#include "store/conflict_copies.h"
#include "store/profile_codec.h"
#include "store/profile_history.h"
#include "store/profile_store_detail.h"
#include "store/sealing_rule.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kNoProfilesFound[] = u"No Profiles found in Database location!";
constexpr char16_t kTryApplicationFolder[] = u"Try application installation folder?";
constexpr char16_t kProfilesMissingTitle[] = u"Profiles Missing";
constexpr char16_t kSpecifyProfileName[] = u"Specify a profile name!";
constexpr char16_t kProfileExists[] = u"This profile already exists. Please choose another name!";
constexpr char16_t kProfileNameTooLong[] = u"This profile name is too long. Please choose a shorter name!";
constexpr char16_t kConflictCopyName[] =
    u"A file-sync engine gives its conflict copies names of this shape. Please choose another name!";
constexpr char16_t kBadProfileName[] =
    u"A profile name cannot contain any of these characters: . \\ / : * ? \" < > |";
constexpr char16_t kConfirmDelete[] = u"Are you sure you want to delete the selected profile?";
constexpr char16_t kDeleteProfileTitle[] = u"Delete Profile";
constexpr char16_t kFileNotFoundMessage[] = u"File not found!";
constexpr char16_t kFileErrorTitle[] = u"File Error";
constexpr char16_t kDefaultQuestion[] = u"Default Question";
constexpr char16_t kProfileEmpty[] = u"The profile file is empty.";
constexpr char16_t kInUseBefore[] = u"The profile ";
constexpr char16_t kInUseAfter[] = u" is in use by another user. Try again later.";
constexpr std::size_t kMaxProfileNameBytes = 200;

// What the security setup and the sealing rule say of the trimmed password a profile is to be
// created sealed with: nullopt, or the message that refuses it.
std::optional<std::u16string> SealedStartRefusal(std::u16string_view profileName, const std::u16string& password,
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

std::filesystem::path ProfileStore::folderFromSettings() {
    std::filesystem::path result = state_->defaultDatabaseFolder;
    std::u16string value;
    if (readSetting(kSettingDatabase, value) && !TrimBlanks(value).empty()) {
        if (const auto folder = MakePath(value)) {
            result = *folder;
        }
    }
    return result;
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

ProfileList ProfileStore::listProfiles() { return listFolder(); }

ProfileList ProfileStore::listFolder() {
    State& s = *state_;
    ProfileList list;
    s.databaseFolder = folderFromSettings();
    list.names = NamesOfProfileFiles(s.files.listProfileFiles(s.databaseFolder));
    // Trying the application folder makes sense only when it is another folder than the one
    // just searched (a program run from its own, writable folder keeps its profiles there).
    if (list.names.empty() && !SameFolder(s.databaseFolder, s.applicationFolder)) {
        // The folder is named: an installed program looks in the user's own folder, not its own.
        MessageRequest question =
            Message(kNoProfilesFound + std::u16string(kLineBreak) + FolderText(s.databaseFolder) +
                        kLineBreak + kTryApplicationFolder,
                    kProfilesMissingTitle, MessageIcon::Critical);
        question.buttons = MessageButtons::YesNo;
        // Enter must not send new profiles into the program's own folder.
        question.defaultAnswer = MessageAnswer::No;
        question.question = Question::TryApplicationFolder;
        list.question = std::move(question);
    }
    return list;
}

std::vector<std::u16string> ProfileStore::useApplicationFolder() {
    State& s = *state_;
    s.databaseFolder = s.applicationFolder;
    return NamesOfProfileFiles(s.files.listProfileFiles(s.databaseFolder));
}

std::vector<std::u16string> ProfileStore::profileNames() {
    return NamesOfProfileFiles(state_->files.listProfileFiles(state_->databaseFolder));
}

OpenResult ProfileStore::openProfile(std::u16string_view profileName) {
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
    s.profilePath = JoinFolder(s.databaseFolder, s.profileFileName);
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
    if (result.outcome == OpenOutcome::Loaded && s.awaitAnswer(replacedFileQuestion(), State::Awaiting::Open)) {
        result.outcome = OpenOutcome::NeedsAnswer;
        result.question = s.awaitedQuestion;
        return result;
    }
    return finishOpen(std::move(result));
}

OpenResult ProfileStore::finishOpen(OpenResult result) {
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

CreateResult ProfileStore::createProfile(std::u16string_view profileName) {
    return createFirstFile(profileName, nullptr);
}

CreateResult ProfileStore::createProfile(std::u16string_view profileName, const SealedStart& start) {
    return createFirstFile(profileName, &start);
}

CreateResult ProfileStore::createFirstFile(std::u16string_view profileName, const SealedStart* sealedStart) {
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
    const std::filesystem::path path = JoinFolder(s.databaseFolder, std::u16string(profileName) + kProfileExtension);
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
        if (std::optional<std::u16string> refusal = SealedStartRefusal(profileName, *password, *confirmation)) {
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
        result.folderQuestion = listFolder().question;
        result.outcome = CreateOutcome::Created;
    } else {
        result.outcome = CreateOutcome::SaveFailed;
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

DeleteResult ProfileStore::deleteProfile(std::u16string_view profileName, DeleteConfirmation confirmation) {
    State& s = *state_;
    DeleteResult result;
    if (s.ended()) {
        return result;
    }
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
    const std::filesystem::path path = JoinFolder(s.databaseFolder, std::u16string(profileName) + kProfileExtension);
    if (s.files.exists(path)) {
        result.error = s.files.remove(path);
        result.outcome = result.error.failed() ? DeleteOutcome::Failed : DeleteOutcome::Deleted;
        if (std::optional<MessageRequest> refused = RefusalMessage(profileName, result.error)) {
            result.report.messages.push_back(std::move(*refused));
        }
        if (!result.error.failed()) ForgetSeenProfile(s.settings, path);
        result.folderQuestion = listFolder().question;
    } else {
        result.report.messages.push_back(Message(kFileNotFoundMessage, kFileErrorTitle, MessageIcon::Critical));
        result.outcome = DeleteOutcome::NotFound;
    }
    return result;
}

}  // namespace keyloft
