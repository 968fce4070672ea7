#include "store/profile_store.h"

#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#include "crypto/text_cipher.h"
#include "store/file_system.h"
#include "store/profile_codec.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// Messages and log names of the storage.
constexpr char16_t kInvalidDataSum[] = u"Invalid Data";
constexpr char16_t kInvalidDataTrailer[] = u"Invalid Data!.";
constexpr char16_t kInvalidDataDecrypt[] = u"Invalid data.";
constexpr char16_t kDecryptErrorTitle[] = u"Decrypt Error";
constexpr char16_t kErrorOccurred[] = u"An Error has occurred!. The error is : ";
constexpr char16_t kCloseAndReopen[] = u"Please close application and re-open.";
constexpr char16_t kRecordModified[] = u"The record has been modified by another user.";
constexpr char16_t kRefreshing[] = u"Refreshing data...";
constexpr char16_t kProfileModified[] = u"The profile has been modified by another user.";
constexpr char16_t kLoginAgain[] = u"You will have to login again.";
constexpr char16_t kNoProfilesFound[] = u"No Profiles found in Database location!";
constexpr char16_t kTryApplicationFolder[] = u"Try application installation folder?";
constexpr char16_t kProfilesMissingTitle[] = u"Profiles Missing";
constexpr char16_t kSpecifyProfileName[] = u"Specify a profile name!";
constexpr char16_t kProfileExists[] = u"This profile already exists. Please choose another name!";
constexpr char16_t kBadProfileName[] =
    u"A profile name cannot contain any of these characters: . \\ / : * ? \" < > |";
constexpr char16_t kConfirmDelete[] = u"Are you sure you want to delete the selected profile?";
constexpr char16_t kDeleteProfileTitle[] = u"Delete Profile";
constexpr char16_t kFileNotFoundMessage[] = u"File not found!";
constexpr char16_t kFileErrorTitle[] = u"File Error";
constexpr char16_t kDefaultQuestion[] = u"Default Question";

constexpr char16_t kOpReadFromFile[] = u"ReadFromFile";
constexpr char16_t kOpWriteToFile[] = u"Writetofile";
constexpr char16_t kOpReadVersion[] = u"ReadVersion";
constexpr char16_t kOpRSumofAC[] = u"RSumofAC";
constexpr char16_t kOpDecrypt[] = u"Decrypt";

constexpr char16_t kLineBreak[] = u"\n";
constexpr char16_t kProfileExtension[] = u".dat";
constexpr char16_t kBackupSuffix[] = u".bak";
constexpr char16_t kErrorLogName[] = u"KeyloftErrors.log";

constexpr int kAttempts = 5;
constexpr int kRetryWaitMs = 3000;

// A path from text; nullopt when the text cannot name a file on this system.
std::optional<std::filesystem::path> MakePath(std::u16string_view text) {
    try {
        return std::filesystem::path(std::u16string(text));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// folder & separator & name, as text is joined (an empty folder gives a path at the root).
std::filesystem::path JoinFolder(const std::filesystem::path& folder, std::u16string_view name) {
    std::filesystem::path joined = folder;
    joined += std::filesystem::path::preferred_separator;
    if (const auto tail = MakePath(name)) {
        joined += *tail;
    }
    return joined;
}

std::filesystem::path WithSuffix(std::filesystem::path path, std::u16string_view suffix) {
    if (const auto tail = MakePath(suffix)) {
        path += *tail;
    }
    return path;
}

std::u16string TwoDigits(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return std::u16string(buffer, buffer + 2);
}

std::u16string FourDigits(int value) {
    char buffer[16];
    const int n = std::snprintf(buffer, sizeof buffer, "%04d", value);
    return std::u16string(buffer, buffer + n);
}

bool IsRefusedNameCharacter(char16_t c) {
    return c < 0x20 || c == 0x7F || std::u16string_view(u".\\/:*?\"<>|").find(c) != std::u16string_view::npos;
}

MessageRequest Message(std::u16string text, std::u16string title = kApplicationTitle,
                       MessageIcon icon = MessageIcon::None) {
    MessageRequest request;
    request.text = std::move(text);
    request.title = std::move(title);
    request.icon = icon;
    return request;
}

}  // namespace

struct ProfileStore::State {
    State(UiHost& h, FileSystem& f, SettingsStore& s, const Clock& c, std::filesystem::path app)
        : host(h), files(f), settings(s), clock(c), applicationFolder(std::move(app)) {}

    UiHost& host;
    FileSystem& files;
    SettingsStore& settings;
    const Clock& clock;
    std::filesystem::path applicationFolder;

    std::filesystem::path databaseFolder;
    std::u16string profileFileName;  // "<name>.dat"
    std::filesystem::path profilePath;
    std::unique_ptr<ReadableFile> held;
    bool loaded = false;
    double runningLength = 0;
    std::int32_t lineCount = 0;
    std::u16string profileKey;
    std::u16string lastErrorNumber;
    std::u16string lastErrorText;
    int retryCounter = 0;
    bool creating = false;
    bool programEnded = false;  // the host was told to end the program: do nothing more
    Profile profile;

    ProfileStore* owner = nullptr;
    std::u16string profileName;      // name of the profile last opened

    void show(const MessageRequest& request) { host.showMessage(request); }

    // What a load does when a record fails its sum check: tell, log, lock, and let go of the file
    // so that the load fails at its next read.
    void sumCheckFailed() {
        show(Message(kInvalidDataSum));
        owner->LogError(kOpRSumofAC, u"0", u"");
        host.lockSession();
        held.reset();
    }

    // A line the cipher rejects: tell, log and end the program; nothing more is done.
    void decryptRejected() {
        show(Message(kInvalidDataDecrypt, kDecryptErrorTitle));
        owner->LogError(kOpDecrypt, u"0", u"");
        programEnded = true;
        profileKey.clear();
        held.reset();
        host.endProgramNow();
    }
    void keepError(const ErrorInfo& error) {
        lastErrorNumber = ErrorNumberText(error.number);
        lastErrorText = error.description;
    }
};

ProfileStore::ProfileStore(UiHost& host, FileSystem& files, SettingsStore& settings, const Clock& clock,
                           std::filesystem::path applicationFolder)
    : state_(std::make_unique<State>(host, files, settings, clock, std::move(applicationFolder))) {
    state_->owner = this;
}

ProfileStore::~ProfileStore() = default;

Profile& ProfileStore::profile() { return state_->profile; }
const Profile& ProfileStore::profile() const { return state_->profile; }
const std::filesystem::path& ProfileStore::databaseFolder() const { return state_->databaseFolder; }
void ProfileStore::setDatabaseFolder(std::filesystem::path folder) { state_->databaseFolder = std::move(folder); }
bool ProfileStore::holdsFile() const { return state_->held != nullptr; }
bool ProfileStore::loaded() const { return state_->loaded; }
void ProfileStore::CloseHeldFile() { state_->held.reset(); }

const std::u16string& ProfileStore::profileName() const { return state_->profileName; }

// ---------------------------------------------------------------------------------------------
// Settings and error log

bool ProfileStore::ReadSetting(std::u16string_view name, std::u16string& value) {
    try {
        return state_->settings.read(name, value);
    } catch (const std::exception&) {
        return false;
    }
}

bool ProfileStore::WriteSetting(std::u16string_view name, std::u16string_view value) {
    try {
        return state_->settings.write(name, value);
    } catch (const std::exception&) {
        return false;
    }
}

void ProfileStore::LogError(std::u16string_view operation, std::u16string_view number,
                            std::u16string_view description) {
    try {
        const LocalTime now = state_->clock.now();
        std::u16string entry = u"#";
        entry += FourDigits(now.year) + u"-" + TwoDigits(now.month) + u"-" + TwoDigits(now.day);
        if (now.hour != 0 || now.minute != 0 || now.second != 0) {
            entry += u" " + TwoDigits(now.hour) + u":" + TwoDigits(now.minute) + u":" + TwoDigits(now.second);
        }
        entry += u"#,\"";
        entry += operation;
        entry += u"\",\"";
        entry += number;
        entry += u"\",\"";
        entry += description;
        entry += u"\"\r\n";
        (void)state_->files.appendText(JoinFolder(state_->databaseFolder, kErrorLogName), Utf16ToUtf8(entry));
    } catch (...) {
        // An entry that cannot be written is lost.
    }
}

// ---------------------------------------------------------------------------------------------
// Loading

void ProfileStore::ReadFromFile(bool showErrors, std::u16string_view suffix) {
    State& s = *state_;
    if (s.programEnded) {
        return;
    }
    s.host.processEvents();
    s.loaded = false;
    s.profilePath = WithSuffix(JoinFolder(s.databaseFolder, s.profileFileName), suffix);
    s.runningLength = 0;

    ProfileDecoder decoder(s.profile);  // fresh collections
    s.held.reset();

    auto fail = [&](const ErrorInfo& error) {
        s.keepError(error);
        s.profileKey.clear();
        if (!showErrors) {
            return;
        }
        s.show(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText + u"  " + kOpReadFromFile +
                       u" (" + s.lastErrorNumber + u")" + kLineBreak + kCloseAndReopen));
        LogError(kOpReadFromFile, s.lastErrorNumber, s.lastErrorText);
        const std::filesystem::path plain = JoinFolder(s.databaseFolder, s.profileFileName);
        if (s.files.exists(WithSuffix(plain, kBackupSuffix))) {
            (void)s.files.rename(s.profilePath, plain);
        }
        s.host.closeMainWindow();
    };

    ErrorInfo error;
    s.held = s.files.openHeld(s.profilePath, error);
    if (!s.held) {
        fail(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
        return;
    }
    std::string line;
    while (true) {
        if (!s.held) {
            // The session was locked during the load: the file is no longer open.
            fail(ErrorInfo::of(error::kBadFileNameOrNumber));
            return;
        }
        if (!s.held->readLine(line, error)) {
            if (error.failed()) {
                fail(error);
                return;
            }
            break;
        }
        s.runningLength += static_cast<double>(line.size());
        ProfileDecoder::LineResult result;
        try {
            result = decoder.addLine(line);
        } catch (const std::bad_alloc&) {
            fail(ErrorInfo::of(error::kOutOfMemory));
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
            fail(result.error);
            return;
        }
    }
    s.profileKey.clear();
    if (!decoder.trailerMatches()) {
        s.show(Message(kInvalidDataTrailer));
        s.host.closeMainWindow();
        return;
    }
    s.loaded = true;
}

std::int32_t ProfileStore::ReadVersion(bool showErrors) {
    State& s = *state_;
    std::int32_t result = -1;
    if (s.programEnded) {
        return result;
    }
    const std::filesystem::path backup = WithSuffix(JoinFolder(s.databaseFolder, s.profileFileName), kBackupSuffix);

    auto fail = [&](const ErrorInfo& error) {
        s.keepError(error);
        if (!showErrors) {
            return;
        }
        s.show(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText, kOpReadFromFile));
        LogError(kOpReadVersion, s.lastErrorNumber, s.lastErrorText);
        (void)s.files.rename(backup, JoinFolder(s.databaseFolder, s.profileFileName));
        s.host.lockSession();
        s.held.reset();
    };

    ErrorInfo error;
    std::unique_ptr<ReadableFile> file = s.files.openHeld(backup, error);
    if (!file) {
        fail(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
        return result;
    }
    std::string keyLine;
    std::string line;
    for (int i = 0; i < 3; ++i) {
        if (!file->readLine(line, error)) {
            if (error.failed()) {
                file.reset();
                fail(error);
                return result;
            }
            break;
        }
        if (i == 0) {
            keyLine = line;
            continue;
        }
        if (i == 1) {
            const KeyLineResult key = DecodeKeyLine(keyLine, line);
            if (key.rejected) {
                file.reset();
                s.decryptRejected();
                return -1;
            }
            if (key.sumFailed) {
                s.sumCheckFailed();
            }
            s.profileKey = key.key;
        }
        const crypto::DecryptResult decrypted = crypto::TryDecryptText(line, s.profileKey);
        if (decrypted.status == crypto::DecryptStatus::Rejected) {
            file.reset();
            s.decryptRejected();
            return -1;
        }
        std::u16string plain = decrypted.text;
        const std::vector<std::u16string> fields = SplitFields(plain);
        const std::optional<std::int32_t> kind = ParseInt32(fields[0], error);
        if (!kind) {
            file.reset();
            fail(error);
            return result;
        }
        if (*kind == 8) {
            if (!RSumofAC(plain, fields, 2)) {
                s.sumCheckFailed();
            }
            if (fields.size() < 2) {
                file.reset();
                fail(ErrorInfo::of(error::kSubscriptOutOfRange));
                return result;
            }
            const std::optional<std::int32_t> version = ParseInt32(fields[1], error);
            if (!version) {
                file.reset();
                fail(error);
                return result;
            }
            result = *version;
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Saving

namespace {

void StripBackupSuffix(std::filesystem::path& path) {
    const auto& text = path.native();
    const std::filesystem::path suffix(kBackupSuffix);
    const auto& tail = suffix.native();
    if (text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0) {
        path = std::filesystem::path(text.substr(0, text.size() - tail.size()));
    }
}

}  // namespace

SaveOutcome ProfileStore::WriteToFile() {
    State& s = *state_;
    if (s.programEnded) {
        return SaveOutcome::Failed;
    }
    s.host.processEvents();
    s.runningLength = 0;
    s.lineCount = 0;
    s.held.reset();

    const std::int32_t versionBefore = s.profile.version;
    const std::filesystem::path backupPath = WithSuffix(s.profilePath, kBackupSuffix);
    std::unique_ptr<WritableFile> out;
    bool wroteNewFile = false;

    auto saveFailed = [&](const ErrorInfo& error) {
        s.keepError(error);
        out.reset();
        s.host.showIdlePointer();
        s.profileKey.clear();
        if (s.files.exists(backupPath)) {
            if (s.files.exists(s.profilePath)) {
                (void)s.files.remove(s.profilePath);
            }
            (void)s.files.rename(backupPath, s.profilePath);
        } else if (s.creating && wroteNewFile) {
            // A new profile that could not be written completely is not left behind half-made.
            (void)s.files.remove(s.profilePath);
        }
        LogError(kOpWriteToFile, s.lastErrorNumber, s.lastErrorText);
        s.show(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText + u"(" + s.lastErrorNumber +
                           u")" + kLineBreak + kCloseAndReopen,
                       u"WriteToFile"));
        s.retryCounter = 0;
        // The file on disk still carries the version this save started from.
        s.profile.version = versionBefore;
        return SaveOutcome::Failed;
    };

    if (!s.creating) {
        // Take the file by renaming it to its backup name, unless a save is already under way.
        if (s.retryCounter == 0) {
            for (int attempt = 1; attempt <= kAttempts; ++attempt) {
                s.retryCounter = attempt;
                const ErrorInfo error = s.files.rename(s.profilePath, backupPath);
                if (!error.failed()) {
                    s.retryCounter = 0;
                    break;
                }
                if (attempt == kAttempts) {
                    return saveFailed(error);
                }
                s.host.waitMilliseconds(kRetryWaitMs);
            }
        }

        std::int32_t storedVersion = -1;
        for (int attempt = 1; attempt <= kAttempts; ++attempt) {
            s.retryCounter = attempt;
            storedVersion = ReadVersion(attempt == kAttempts);
            if (s.programEnded) {
                s.retryCounter = 0;
                return SaveOutcome::Failed;
            }
            if (storedVersion != -1) {
                s.retryCounter = 0;
                break;
            }
            s.host.waitMilliseconds(kRetryWaitMs);
        }

        if (storedVersion != s.profile.version) {
            const std::int32_t logonMode = s.profile.logonMode;
            const std::u16string userId = s.profile.userId;
            const std::u16string password = s.profile.password;
            const std::u16string pin = s.profile.pin;
            for (int attempt = 1; attempt <= kAttempts; ++attempt) {
                s.retryCounter = attempt;
                ReadFromFile(attempt == kAttempts, kBackupSuffix);
                if (s.programEnded) {
                    s.retryCounter = 0;
                    return SaveOutcome::Failed;
                }
                StripBackupSuffix(s.profilePath);
                if (s.loaded) {
                    s.retryCounter = 0;
                    break;
                }
                s.host.waitMilliseconds(kRetryWaitMs);
            }
            SaveOutcome outcome = SaveOutcome::ConflictRefreshed;
            if (s.profile.logonMode == logonMode && s.profile.userId == userId && s.profile.password == password &&
                s.profile.pin == pin) {
                s.host.showIdlePointer();
                s.show(Message(kRecordModified + std::u16string(kLineBreak) + kRefreshing));
            } else {
                s.host.showIdlePointer();
                s.show(Message(kProfileModified + std::u16string(kLineBreak) + kLoginAgain));
                s.host.clearDirty();
                s.host.lockSession();
                s.held.reset();
                outcome = SaveOutcome::ConflictLockedOut;
            }
            s.retryCounter = 0;
            (void)s.files.rename(WithSuffix(s.profilePath, kBackupSuffix), s.profilePath);
            return outcome;
        }
    }

    // Write the new file.
    ErrorInfo error;
    out = s.files.createHeld(s.profilePath, s.creating ? std::filesystem::path{} : backupPath, error);
    if (!out) {
        return saveFailed(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
    }
    wroteNewFile = true;
    const std::int32_t newVersion = NextVersion(s.profile.version);
    EncodedProfile encoded;
    try {
        encoded = EncodeProfile(s.profile, newVersion, KeyTimeText(s.clock.now().secondsSinceMidnight()), s.creating);
    } catch (const std::bad_alloc&) {
        return saveFailed(ErrorInfo::of(error::kOutOfMemory));
    }
    if (!encoded.ok) {
        return saveFailed(ErrorInfo::none());
    }
    s.profile.version = newVersion;
    for (std::size_t i = 0; i < encoded.lines.size(); ++i) {
        const std::string& line = encoded.lines[i];
        error = out->writeLine(line);
        if (error.failed()) {
            return saveFailed(error);
        }
        if (i + 1 < encoded.lines.size()) {
            ++s.lineCount;
            s.runningLength += static_cast<double>(line.size());
        }
    }
    error = out->close();
    out.reset();
    if (error.failed()) {
        return saveFailed(error);
    }

    if (!s.creating) {
        s.held = s.files.openHeld(s.profilePath, error);
    }
    s.retryCounter = 0;
    if (!s.creating) {
        (void)s.files.remove(backupPath);
    }
    s.profileKey.clear();
    return SaveOutcome::Saved;
}

// ---------------------------------------------------------------------------------------------
// Profile folder

std::filesystem::path ProfileStore::DatabaseFolder() {
    std::filesystem::path result = state_->applicationFolder;
    std::u16string value;
    if (ReadSetting(kSettingDatabase, value) && !TrimBlanks(value).empty()) {
        if (const auto folder = MakePath(value)) {
            result = *folder;
        }
    }
    return result;
}

std::vector<std::u16string> ProfileStore::ListProfiles() {
    State& s = *state_;
    std::vector<std::u16string> names;
    s.databaseFolder = DatabaseFolder();
    std::vector<std::filesystem::path> files = s.files.listProfileFiles(s.databaseFolder);
    if (files.empty()) {
        MessageRequest question = Message(kNoProfilesFound + std::u16string(kLineBreak) + kTryApplicationFolder,
                                          kProfilesMissingTitle, MessageIcon::Critical);
        question.buttons = MessageButtons::YesNo;
        question.defaultAnswer = MessageAnswer::Yes;
        if (s.host.showMessage(question) == MessageAnswer::Yes) {
            files = s.files.listProfileFiles(s.applicationFolder);
            s.databaseFolder = s.applicationFolder;
        }
    }
    for (const std::filesystem::path& file : files) {
        std::u16string name;
        try {
            name = file.u16string();
        } catch (const std::exception&) {
            continue;  // a name this program cannot show
        }
        names.push_back(name.substr(0, name.find(u'.')));
    }
    return names;
}

bool ProfileStore::OpenProfile(std::u16string_view profileName) {
    State& s = *state_;
    if (profileName.empty() || s.programEnded) {
        return false;
    }
    s.host.showBusyPointer();
    s.profileName = profileName;
    s.profileFileName = std::u16string(profileName) + kProfileExtension;
    s.held.reset();
    ReadFromFile(true, u"");
    s.host.showIdlePointer();
    return s.loaded;
}

bool ProfileStore::CreateProfile(std::u16string_view profileName) {
    State& s = *state_;
    if (s.programEnded) {
        return false;
    }
    s.host.showBusyPointer();
    struct IdleOnExit {
        UiHost& host;
        ~IdleOnExit() { host.showIdlePointer(); }
    } idle{s.host};

    if (profileName.empty()) {
        s.show(Message(kSpecifyProfileName));
        return false;
    }
    bool refused = !MakePath(profileName).has_value();
    for (const char16_t c : profileName) {
        refused = refused || IsRefusedNameCharacter(c);
    }
    if (refused) {
        s.show(Message(kBadProfileName));
        return false;
    }
    const std::filesystem::path path = JoinFolder(s.databaseFolder, std::u16string(profileName) + kProfileExtension);
    if (s.files.exists(path)) {
        s.show(Message(kProfileExists));
        return false;
    }
    s.profilePath = path;
    Profile& p = s.profile;
    p.logonMode = kPasswordOnly;
    p.userId = kDefaultLogonValue;
    p.password = kDefaultLogonValue;
    p.pin = kDefaultLogonValue;
    p.answerMode = kOneAnswer;
    p.questions.clear();
    p.questions.push_back(u"5|" + std::u16string(kDefaultQuestion) + u"|" + kDefaultLogonValue);

    s.creating = true;
    (void)WriteToFile();
    s.creating = false;
    ListProfiles();
    return s.files.exists(path);
}

void ProfileStore::DeleteProfile(std::u16string_view profileName) {
    State& s = *state_;
    if (s.programEnded) {
        return;
    }
    MessageRequest question = Message(kConfirmDelete, kDeleteProfileTitle, MessageIcon::Exclamation);
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::No;
    if (s.host.showMessage(question) != MessageAnswer::Yes) {
        return;
    }
    s.host.showBusyPointer();
    if (profileName.empty()) {
        s.show(Message(kSpecifyProfileName));
        s.host.showIdlePointer();
        return;
    }
    const std::filesystem::path path = JoinFolder(s.databaseFolder, std::u16string(profileName) + kProfileExtension);
    if (s.files.exists(path)) {
        (void)s.files.remove(path);
        ListProfiles();
    } else {
        s.show(Message(kFileNotFoundMessage, kFileErrorTitle, MessageIcon::Critical));
    }
    s.host.showIdlePointer();
}

}  // namespace keyloft
