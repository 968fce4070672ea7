#include "store/profile_store.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <unordered_set>
#include <utility>

#include "crypto/text_cipher.h"
#include "store/conflict_copies.h"
#include "store/error_log.h"
#include "store/file_system.h"
#include "store/profile_codec.h"
#include "store/sealed_profile.h"
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
constexpr char16_t kProfileNameTooLong[] = u"This profile name is too long. Please choose a shorter name!";
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
constexpr char16_t kNotReadableTitle[] = u"Permission Denied";

constexpr char16_t kOpReadFromFile[] = u"ReadFromFile";
constexpr char16_t kOpWriteToFile[] = u"Writetofile";
constexpr char16_t kOpReadVersion[] = u"ReadVersion";
constexpr char16_t kOpRSumofAC[] = u"RSumofAC";
constexpr char16_t kOpDecrypt[] = u"Decrypt";
constexpr char16_t kOpRecover[] = u"Recover";

constexpr char16_t kLineBreak[] = u"\n";
constexpr char16_t kProfileExtension[] = u".dat";
constexpr char16_t kBackupSuffix[] = u".bak";
constexpr char16_t kErrorLogName[] = u"KeyloftErrors.log";

constexpr std::size_t kMaxProfileNameBytes = 200;
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

// Bytes of the UTF-8 form of a text (what a POSIX file name is measured in; a Windows name
// counts UTF-16 code units, never more).
std::size_t Utf8Length(std::u16string_view text) {
    std::size_t bytes = 0;
    for (const char16_t c : text) {
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : (c >= 0xD800 && c <= 0xDFFF) ? 2 : 3;
    }
    return bytes;
}

bool IsRefusedNameCharacter(char16_t c) {
    return c < 0x20 || c == 0x7F || std::u16string_view(u".\\/:*?\"<>|").find(c) != std::u16string_view::npos;
}

// What a file of the profile holds, checked without acting on anything (used to choose between a
// profile file and a backup that a crash left beside it).
struct FileCheck {
    bool ok = false;
    bool empty = false;
    std::int32_t version = 0;
};

// Sealed files: all lines of the file.
ErrorInfo ReadAllLines(ReadableFile& file, std::vector<std::string>& lines) {
    ErrorInfo error = file.rewind();
    std::string line;
    while (!error.failed() && file.readLine(line, error, kMaxProfileLineLength)) {
        lines.push_back(line);
    }
    return error;
}

ErrorInfo DamagedError() { return ErrorInfo{error::kInvalidCall, kProfileDamagedMessage}; }

// A line past kMaxProfileLineLength, which no writer makes: the file is damaged.
bool LineTooLong(const ErrorInfo& error) { return error.number == error::kInputPastEnd; }

FileCheck CheckHeldFile(ReadableFile& file) {
    FileCheck check;
    if (file.rewind().failed()) {
        return check;
    }
    Profile scratch;
    ProfileDecoder decoder(scratch);
    std::string line;
    std::string firstLine;
    ErrorInfo error;
    bool fault = false;
    while (!fault && file.readLine(line, error, kMaxProfileLineLength)) {
        if (decoder.linesRead() == 0) {
            firstLine = line;
        } else if (decoder.linesRead() == 1 && sealed::LooksSealed(firstLine, line)) {
            // A sealed file: its body can only be checked with a key; the check line covers it
            // against damage.
            std::vector<std::string> lines;
            if (!ReadAllLines(file, lines).failed()) {
                const std::optional<sealed::SealedFile> parsed = sealed::ParseSealedLines(lines);
                check.ok = parsed.has_value();
                check.version = parsed ? parsed->version : 0;
            }
            (void)file.rewind();
            return check;
        }
        const ProfileDecoder::LineResult result = decoder.addLine(line);
        fault = result.sumFailures > 0 || result.rejected || result.error.failed();
    }
    check.empty = !fault && !error.failed() && decoder.linesRead() == 0;
    check.ok = !fault && !error.failed() && decoder.linesRead() > 0 && decoder.trailerMatches() && decoder.sawVersion();
    check.version = scratch.version;
    (void)file.rewind();
    return check;
}

// True when a file at version `a` is newer than one at version `b` (versions wrap to 1).
bool NewerVersion(std::int32_t a, std::int32_t b) { return a > b || (a == 1 && b >= kVersionWrap - 1); }

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
    State(UiHost& h, FileSystem& f, SettingsStore& s, const Clock& c, std::filesystem::path app,
          std::filesystem::path defaultFolder)
        : host(h),
          files(f),
          settings(s),
          clock(c),
          applicationFolder(std::move(app)),
          defaultDatabaseFolder(defaultFolder.empty() ? applicationFolder : std::move(defaultFolder)) {}

    UiHost& host;
    FileSystem& files;
    SettingsStore& settings;
    const Clock& clock;
    std::filesystem::path applicationFolder;      // where the program is
    std::filesystem::path defaultDatabaseFolder;  // the database folder without a "Database" setting

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
    ErrorInfo lastError;
    int retryCounter = 0;
    bool creating = false;
    bool emptyFile = false;     // the last load found a file without a single line
    bool programEnded = false;  // the caller was told to end the program: do nothing more
    bool damaged = false;       // the last load failed on the file's content, not on reading it
    bool damagedFile = false;   // the last load found a damaged sealed file or a line past the cap
    // Sealed form: the form saves write, the loaded file's header while its body is still closed
    // (before logon), and the data key and slots once it is open.
    bool seal = false;
    bool loggedOn = false;
    bool forgotten = false;  // forget() ran: nothing is saved until a profile is opened again
    std::optional<sealed::SealedFile> lockedFile;
    std::unique_ptr<sealed::Keys> sealedKeys;
    Profile profile;
    StoreReport report;         // what the running operation reports to its caller

    ProfileStore* owner = nullptr;
    std::u16string profileName;      // name of the profile last opened

    void show(MessageRequest request) { report.messages.push_back(std::move(request)); }
    // Starts the report of a public operation; returns it, leaving none behind, at its end.
    void beginReport() { report = StoreReport{}; }
    StoreReport takeReport() { return std::exchange(report, StoreReport{}); }

    // What a load does when a record fails its sum check: tell, log, have the session locked, and
    // let go of the file so that the load fails at its next read.
    void sumCheckFailed() {
        show(Message(kInvalidDataSum));
        owner->LogError(kOpRSumofAC, u"0", u"");
        report.lockSession = true;
        damaged = true;
        held.reset();
    }

    // A line the cipher rejects: tell, log and have the program ended; nothing more is done.
    void decryptRejected() {
        show(Message(kInvalidDataDecrypt, kDecryptErrorTitle));
        owner->LogError(kOpDecrypt, u"0", u"");
        programEnded = true;
        damaged = true;
        profileKey.clear();
        held.reset();
        report.endProgram = true;
    }
    void keepError(const ErrorInfo& error) {
        lastError = error;
        lastErrorNumber = ErrorNumberText(error.number);
        lastErrorText = error.description;
    }
};

ProfileStore::ProfileStore(UiHost& host, FileSystem& files, SettingsStore& settings, const Clock& clock,
                           std::filesystem::path applicationFolder,
                           std::filesystem::path defaultDatabaseFolder)
    : state_(std::make_unique<State>(host, files, settings, clock, std::move(applicationFolder),
                                     std::move(defaultDatabaseFolder))) {
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

void ProfileStore::forget() {
    State& s = *state_;
    s.held.reset();
    WipeProfile(s.profile);
    WipeText(s.profileKey);
    s.sealedKeys.reset();  // its key memory zeroes itself
    s.lockedFile.reset();
    s.loggedOn = false;
    s.loaded = false;
    s.forgotten = true;
}
bool ProfileStore::sealed() const { return state_->seal; }
void ProfileStore::setSealed(bool seal) { state_->seal = seal; }

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
        const std::u16string entry = ErrorLogLine(state_->clock.now(), operation, number, description);
        (void)state_->files.appendText(JoinFolder(state_->databaseFolder, kErrorLogName), Utf16ToUtf8(entry));
    } catch (...) {
        // An entry that cannot be written is lost.
    }
}

// ---------------------------------------------------------------------------------------------
// Loading

namespace {

std::filesystem::path BackupOf(const std::filesystem::path& profile) { return WithSuffix(profile, kBackupSuffix); }

// The file system refuses this user the file (not another instance's hold, which goes away).
bool NotReadable(const ErrorInfo& error) { return error.number == error::kPermissionDenied && !error.inUse; }

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

std::u16string ProfileNotReadableMessage(std::u16string_view profileName) {
    const std::u16string name(profileName);
    return u"You may not read the profile \"" + name +
           u"\": the permissions of its file keep you out, and closing and re-opening will not change that.\n"
           u"Its owner can let the colleagues who share the folder in by making the file readable and writable "
           u"for the folder's group (on Linux: chmod g+rw \"" +
           name + kProfileExtension + u"\"; on Windows: the Security tab of the file's properties).";
}

// The generic failure of a load: keep the error, and when asked, tell, log and close the window.
// A file this user may not read is told as such: closing the window would not help.
void ProfileStore::loadFailed(bool showErrors, const ErrorInfo& error) {
    State& s = *state_;
    s.keepError(error);
    s.profileKey.clear();
    if (!showErrors) {
        return;
    }
    if (NotReadable(error)) {
        s.show(
            Message(ProfileNotReadableMessage(s.profileName), kNotReadableTitle, MessageIcon::Exclamation));
        LogError(kOpReadFromFile, s.lastErrorNumber, s.lastErrorText);
        // Taken away during a session: what is in memory is no longer the file's, so the session ends.
        s.report.lockSession = s.loggedOn;
        return;
    }
    s.show(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText + u"  " + kOpReadFromFile + u" (" +
                   s.lastErrorNumber + u")" + kLineBreak + kCloseAndReopen));
    LogError(kOpReadFromFile, s.lastErrorNumber, s.lastErrorText);
    s.report.closeWindow = true;
}

// Reads the held file from its first line into the Profile, with every check of the format.
void ProfileStore::loadHeld(bool showErrors) {
    State& s = *state_;
    s.loaded = false;
    s.damaged = false;
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
    s.damagedFile = false;
    s.lockedFile.reset();
    ErrorInfo error;
    std::string line;
    std::string firstLine;
    while (true) {
        if (!s.held) {
            // The session was locked during the load: the file is no longer open.
            loadFailed(showErrors, ErrorInfo::of(error::kBadFileNameOrNumber));
            return;
        }
        if (!s.held->readLine(line, error, kMaxProfileLineLength)) {
            if (LineTooLong(error)) {
                s.damagedFile = true;
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
            s.damaged = true;
            loadFailed(showErrors, result.error);
            return;
        }
    }
    s.profileKey.clear();
    if (decoder.linesRead() == 1 && firstLine == sealed::kFirstLine) {
        loadSealed(showErrors);  // a sealed file cut after its first line: damaged
        return;
    }
    if (decoder.linesRead() == 0) {
        // No profile was ever saved empty: the data is gone, whatever the logon.
        s.keepError(ErrorInfo::of(error::kInputPastEnd));
        s.emptyFile = true;
        return;
    }
    if (!decoder.trailerMatches()) {
        s.damaged = true;
        s.show(Message(kInvalidDataTrailer));
        s.report.closeWindow = true;
        return;
    }
    s.loaded = true;
}

OpenResult ProfileStore::ReadFromFile() {
    State& s = *state_;
    OpenResult result;
    if (s.programEnded) {
        result.outcome = OpenOutcome::Ended;
        return result;
    }
    s.beginReport();
    readFromFile(true);
    result.outcome = loadOutcome();
    if (!s.loaded) {
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

// What the last load came to.
OpenOutcome ProfileStore::loadOutcome() const {
    const State& s = *state_;
    if (s.loaded) {
        return OpenOutcome::Loaded;
    }
    if (s.programEnded) {
        return OpenOutcome::Ended;
    }
    if (s.emptyFile) {
        return OpenOutcome::Empty;
    }
    if (s.damaged || s.damagedFile) {
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
void ProfileStore::loadSealed(bool showErrors) {
    State& s = *state_;
    const sealed::LogonValues before{s.profile.userId, s.profile.password, s.profile.pin};
    const std::int32_t modeBefore = s.profile.logonMode;
    const bool reopen = s.loggedOn;
    std::unique_ptr<sealed::Keys> keys = std::move(s.sealedKeys);
    s.loggedOn = false;
    s.runningLength = 0;

    const auto damaged = [&s] {
        s.damagedFile = true;
        s.keepError(DamagedError());
        sealed::FillHeaderOnly(sealed::SealedFile{}, s.profile);
        s.lockedFile.reset();
    };
    std::vector<std::string> lines;
    if (const ErrorInfo error = ReadAllLines(*s.held, lines); LineTooLong(error)) {
        damaged();
        return;
    } else if (error.failed()) {
        loadFailed(showErrors, error);
        return;
    }
    for (const std::string& line : lines) {
        s.runningLength += static_cast<double>(line.size());
    }
    std::optional<sealed::SealedFile> file = sealed::ParseSealedLines(lines);
    if (!file) {
        damaged();
        return;
    }
    s.seal = true;
    if (reopen) {
        if (keys && sealed::OpenBody(*file, keys->dataKey, s.profile)) {
            s.sealedKeys = sealed::KeepKeys(*file, keys->dataKey, s.profile);
        } else {
            sealed::Key dataKey;
            if (modeBefore == file->logonMode &&
                sealed::UnwrapWithLogon(*file, before, dataKey) == sealed::Unwrap::Opened) {
                if (!sealed::OpenBody(*file, dataKey, s.profile)) {
                    damaged();
                    return;
                }
                s.sealedKeys = sealed::KeepKeys(*file, dataKey, s.profile);
            }
        }
    }
    if (s.sealedKeys) {
        s.loggedOn = true;
    } else {
        // Nothing but the header until the logon step opens the body.
        sealed::FillHeaderOnly(*file, s.profile);
        s.lockedFile = std::move(file);
    }
    s.loaded = true;
}

LogonOutcome ProfileStore::openSealedBody(const sealed::Key& dataKey) {
    State& s = *state_;
    if (!sealed::OpenBody(*s.lockedFile, dataKey, s.profile)) {
        // Nothing of a file that fails its authentication is shown or kept.
        sealed::FillHeaderOnly(sealed::SealedFile{}, s.profile);
        s.lockedFile.reset();
        s.held.reset();
        s.loaded = false;
        s.keepError(DamagedError());
        LogError(kOpReadFromFile, ErrorNumberText(s.lastError.number), s.lastError.description);
        return LogonOutcome::Damaged;
    }
    s.sealedKeys = sealed::KeepKeys(*s.lockedFile, dataKey, s.profile);
    s.lockedFile.reset();
    s.loggedOn = true;
    return LogonOutcome::LoggedOn;
}

LogonOutcome ProfileStore::LogOn(const LogonDetails& typed) {
    State& s = *state_;
    if (!s.loaded) {
        return LogonOutcome::Incorrect;
    }
    const sealed::LogonValues trimmed{std::u16string(TrimBlanks(typed.userId)),
                                      std::u16string(TrimBlanks(typed.password)),
                                      std::u16string(TrimBlanks(typed.pin))};
    if (s.lockedFile) {
        sealed::Key dataKey;
        if (sealed::UnwrapWithLogon(*s.lockedFile, trimmed, dataKey) != sealed::Unwrap::Opened) {
            return LogonOutcome::Incorrect;
        }
        return openSealedBody(dataKey);
    }
    const Profile& p = s.profile;
    bool accepted = false;
    switch (p.logonMode) {
    case kPasswordOnly:
        accepted = trimmed.password == p.password;
        break;
    case kUserIdAndPassword:
        accepted = trimmed.password == p.password && trimmed.userId == p.userId;
        break;
    case kUserIdPasswordAndPin:
        accepted = trimmed.password == p.password && trimmed.userId == p.userId && trimmed.pin == p.pin;
        break;
    default:
        break;
    }
    s.loggedOn = accepted;
    return accepted ? LogonOutcome::LoggedOn : LogonOutcome::Incorrect;
}

LogonOutcome ProfileStore::LogOnWithAnswers(const std::vector<std::u16string>& typedAnswers) {
    State& s = *state_;
    if (!s.loaded) {
        return LogonOutcome::Incorrect;
    }
    std::vector<std::u16string> trimmed;
    for (const std::u16string& answer : typedAnswers) {
        trimmed.emplace_back(TrimBlanks(answer));
    }
    if (s.lockedFile) {
        sealed::Key dataKey;
        if (sealed::UnwrapWithAnswers(*s.lockedFile, trimmed, dataKey) != sealed::Unwrap::Opened) {
            return LogonOutcome::Incorrect;
        }
        return openSealedBody(dataKey);
    }
    const Profile& p = s.profile;
    int correct = 0;
    for (std::size_t i = 0; i < p.questions.size() && i < 3 && i < trimmed.size(); ++i) {
        const std::vector<std::u16string> fields = SplitFields(p.questions[i]);
        if (fields.size() >= 3 && trimmed[i] == fields[2]) {
            ++correct;
        }
    }
    // A profile without a valid answer mode must not open with no correct answer at all.
    const bool accepted = correct >= std::max(p.answerMode, 1);
    s.loggedOn = accepted;
    return accepted ? LogonOutcome::LoggedOn : LogonOutcome::Incorrect;
}

void ProfileStore::readFromFile(bool showErrors) {
    State& s = *state_;
    if (s.programEnded) {
        return;
    }
    s.host.processEvents();
    s.loaded = false;
    s.emptyFile = false;
    s.damaged = false;
    s.profilePath = JoinFolder(s.databaseFolder, s.profileFileName);
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

// Holds the chosen profile's file, and puts right what an interrupted save of an earlier build
// (or of the Windows protocol) left beside it: a backup is put back when the profile is missing,
// empty or damaged and the backup is sound; of two sound files the newer stays; temporary files
// go. Every repair is logged. On return `held` holds the profile file, or the error says why not.
ErrorInfo ProfileStore::takeProfile() {
    State& s = *state_;
    const std::filesystem::path& profilePath = s.profilePath;
    const std::filesystem::path backupPath = BackupOf(profilePath);
    const std::u16string fileName = s.profileFileName;
    const std::u16string backupName = fileName + kBackupSuffix;

    ErrorInfo error;
    s.held = s.files.openHeld(profilePath, error);
    if (!s.held && (error.inUse || error.number != error::kFileNotFound)) {
        return error;
    }
    if (s.files.exists(backupPath)) {
        ErrorInfo backupError;
        std::unique_ptr<ReadableFile> backup = s.files.openHeld(backupPath, backupError);
        if (backup) {
            const FileCheck backupCheck = CheckHeldFile(*backup);
            const FileCheck profileCheck = s.held ? CheckHeldFile(*s.held) : FileCheck{};
            const auto versionText = [](std::int32_t v) { return u" (version " + Int32Text(v) + u")"; };
            if (backupCheck.ok && (!profileCheck.ok || NewerVersion(backupCheck.version, profileCheck.version))) {
                const std::u16string why = !s.held           ? u"was missing"
                                           : profileCheck.empty ? u"was empty"
                                           : !profileCheck.ok   ? u"failed its checks"
                                                                : u"held an older version" + versionText(profileCheck.version);
                s.held.reset();
                const ErrorInfo moved = s.files.rename(backupPath, profilePath, true);
                if (moved.failed()) {
                    LogError(kOpRecover, ErrorNumberText(moved.number), moved.description);
                } else {
                    s.held = std::move(backup);
                    (void)s.files.flushFolder(profilePath);
                    LogError(kOpRecover, u"0",
                             backupName + versionText(backupCheck.version) + u" was put back as " + fileName + u", which " +
                                 why);
                }
            } else if (profileCheck.ok) {
                const std::u16string what = backupCheck.ok ? u"older" + versionText(backupCheck.version)
                                                           : std::u16string(u"damaged");
                backup.reset();
                const ErrorInfo removed = s.files.remove(backupPath);
                if (!removed.failed()) {
                    LogError(kOpRecover, u"0",
                             backupName + u" (" + what + u") was removed; " + fileName + u" holds version " +
                                 Int32Text(profileCheck.version));
                }
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
        LogError(kOpRecover, u"0", u"the temporary file " + name + u" of an interrupted save was removed");
    }
    return ErrorInfo::none();
}

std::int32_t ProfileStore::readVersion(bool showErrors) {
    State& s = *state_;
    std::int32_t result = -1;
    if (s.programEnded) {
        return result;
    }

    auto fail = [&](const ErrorInfo& error) {
        s.keepError(error);
        if (!showErrors) {
            return;
        }
        s.show(Message(kErrorOccurred + std::u16string(kLineBreak) + s.lastErrorText, kOpReadFromFile));
        LogError(kOpReadVersion, s.lastErrorNumber, s.lastErrorText);
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
    for (int i = 0; i < 3; ++i) {
        if (!file.readLine(line, error, kMaxProfileLineLength)) {
            if (LineTooLong(error)) {
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
            continue;
        }
        if (i == 1 && sealed::LooksSealed(keyLine, line)) {
            // A sealed file: the version is in its header, read once the whole file checks out.
            std::vector<std::string> lines;
            if (const ErrorInfo readError = ReadAllLines(file, lines); readError.failed()) {
                fail(readError);
                return result;
            }
            const std::optional<sealed::SealedFile> parsed = sealed::ParseSealedLines(lines);
            if (!parsed) {
                fail(DamagedError());
                return result;
            }
            return parsed->version;
        }
        if (i == 1) {
            const KeyLineResult key = DecodeKeyLine(keyLine, line);
            if (key.rejected) {
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
            s.decryptRejected();
            return -1;
        }
        std::u16string plain = decrypted.text;
        const std::vector<std::u16string> fields = SplitFields(plain);
        const std::optional<std::int32_t> kind = ParseInt32(fields[0], error);
        if (!kind) {
            fail(error);
            return result;
        }
        if (*kind == 8) {
            if (!RSumofAC(plain, fields, 2)) {
                s.sumCheckFailed();
            }
            if (fields.size() < 2) {
                fail(ErrorInfo::of(error::kSubscriptOutOfRange));
                return result;
            }
            const std::optional<std::int32_t> version = ParseInt32(fields[1], error);
            if (!version) {
                fail(error);
                return result;
            }
            result = *version;
        }
        if (!s.held) {
            // A failed sum check locked the session.
            return -1;
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Saving

SaveResult ProfileStore::WriteToFile() {
    State& s = *state_;
    SaveResult result;
    if (s.programEnded || s.forgotten) {
        return result;
    }
    s.beginReport();
    result.outcome = writeToFile();
    if (result.outcome == SaveOutcome::Failed) {
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

SaveOutcome ProfileStore::writeToFile() {
    State& s = *state_;
    if (s.programEnded) {
        return SaveOutcome::Failed;
    }
    s.host.processEvents();
    s.runningLength = 0;
    s.lineCount = 0;

    const std::int32_t versionBefore = s.profile.version;
    std::unique_ptr<WritableFile> out;

    auto saveFailed = [&](const ErrorInfo& error) {
        s.keepError(error);
        out.reset();  // a temporary file not yet in place goes with it
        s.profileKey.clear();
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
        // Hold the file, unless this instance still holds it since its load or last save. Only
        // another instance's hold is worth waiting for; any other failure is final at once.
        if (!s.held && s.retryCounter == 0) {
            for (int attempt = 1; attempt <= kAttempts; ++attempt) {
                s.retryCounter = attempt;
                ErrorInfo error;
                s.held = s.files.openHeld(s.profilePath, error);
                if (s.held) {
                    s.retryCounter = 0;
                    break;
                }
                if (!error.inUse || attempt == kAttempts) {
                    return saveFailed(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
                }
                s.host.waitMilliseconds(kRetryWaitMs);
            }
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
        for (int attempt = 1; !replaced && attempt <= kAttempts; ++attempt) {
            s.retryCounter = attempt;
            storedVersion = readVersion(attempt == kAttempts);
            if (s.programEnded) {
                s.retryCounter = 0;
                return SaveOutcome::Failed;
            }
            if (storedVersion != -1 || !s.held) {
                break;
            }
            s.host.waitMilliseconds(kRetryWaitMs);
        }
        s.retryCounter = 0;

        if (replaced || storedVersion != s.profile.version) {
            const std::int32_t logonMode = s.profile.logonMode;
            const std::u16string userId = s.profile.userId;
            const std::u16string password = s.profile.password;
            const std::u16string pin = s.profile.pin;
            const bool lockedBefore = s.report.lockSession;
            for (int attempt = 1; attempt <= kAttempts; ++attempt) {
                s.retryCounter = attempt;
                s.host.processEvents();
                if (s.held) {
                    loadHeld(attempt == kAttempts);
                } else {
                    readFromFile(attempt == kAttempts);
                }
                if (s.programEnded) {
                    s.retryCounter = 0;
                    return SaveOutcome::Failed;
                }
                if (s.loaded) {
                    break;
                }
                if (attempt < kAttempts) {
                    s.host.waitMilliseconds(kRetryWaitMs);
                }
            }
            s.retryCounter = 0;
            SaveOutcome outcome = SaveOutcome::ConflictRefreshed;
            // A lock asked for while the file was read again (a failed sum check) ends the
            // session as a changed logon does.
            const bool lockedDuringReload = s.report.lockSession && !lockedBefore;
            if (!lockedDuringReload && s.profile.logonMode == logonMode && s.profile.userId == userId &&
                s.profile.password == password && s.profile.pin == pin) {
                s.show(Message(kRecordModified + std::u16string(kLineBreak) + kRefreshing));
            } else {
                s.show(Message(kProfileModified + std::u16string(kLineBreak) + kLoginAgain));
                s.report.clearDirty = true;
                s.report.lockSession = true;
                s.held.reset();
                outcome = SaveOutcome::ConflictLockedOut;
            }
            return outcome;
        }
    }

    // Write the new content beside the profile, then put it in place with one rename.
    ErrorInfo error;
    out = s.files.createTemporary(s.profilePath, s.creating ? nullptr : s.held.get(), error);
    if (!out) {
        return saveFailed(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
    }
    const std::int32_t newVersion = NextVersion(s.profile.version);
    const bool writeSealed = s.seal && !s.creating;
    if (writeSealed && s.lockedFile) {
        // The body of the loaded file was never opened: the Profile holds only its header.
        return saveFailed(ErrorInfo::of(error::kInvalidCall));
    }
    // Each line goes to the temporary file as soon as it is made (the last one is the trailer).
    std::size_t lastLength = 0;
    const LineSink write = [&](const std::string& line) {
        error = out->writeLine(line);
        ++s.lineCount;
        s.runningLength += static_cast<double>(line.size());
        lastLength = line.size();
        return !error.failed();
    };
    bool encoded = false;
    try {
        if (writeSealed) {
            const std::vector<std::string> lines = sealed::SealProfile(s.profile, newVersion, s.sealedKeys);
            encoded = !lines.empty() && std::all_of(lines.begin(), lines.end(), write);
        } else {
            encoded = EncodeProfileTo(s.profile, newVersion, KeyTimeText(s.clock.now().secondsSinceMidnight()),
                                      s.creating, write);
        }
    } catch (const std::bad_alloc&) {
        return saveFailed(ErrorInfo::of(error::kOutOfMemory));
    }
    if (!encoded) {
        return saveFailed(error);  // a write failed, or a line did not encrypt (no error number)
    }
    // The trailer is not counted in itself.
    --s.lineCount;
    s.runningLength -= static_cast<double>(lastLength);
    s.profile.version = newVersion;
    error = out->flush();
    if (error.failed()) {
        return saveFailed(error);
    }
    std::unique_ptr<ReadableFile> installed = s.files.install(std::move(out), s.profilePath, !s.creating, error);
    if (!installed) {
        return saveFailed(error.failed() ? error : ErrorInfo::of(error::kPathFileAccess));
    }
    // The new file is the profile from here on; a folder that cannot be flushed is reported, but
    // the save stands (its content is on disk and the old file is gone).
    error = s.files.flushFolder(s.profilePath);
    if (s.creating) {
        installed.reset();
    } else {
        s.held = std::move(installed);  // lets go of the old file only now
    }
    if (error.failed()) {
        LogError(kOpWriteToFile, ErrorNumberText(error.number), error.description);
    }
    s.retryCounter = 0;
    s.profileKey.clear();
    if (!writeSealed && !s.creating) {
        s.sealedKeys.reset();
    }
    return SaveOutcome::Saved;
}

// ---------------------------------------------------------------------------------------------
// Profile folder

std::filesystem::path ProfileStore::DatabaseFolder() {
    std::filesystem::path result = state_->defaultDatabaseFolder;
    std::u16string value;
    if (ReadSetting(kSettingDatabase, value) && !TrimBlanks(value).empty()) {
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

}  // namespace

std::vector<std::u16string> ProfileStore::ListProfiles() {
    State& s = *state_;
    s.databaseFolder = DatabaseFolder();
    std::vector<std::filesystem::path> files = s.files.listProfileFiles(s.databaseFolder);
    if (files.empty()) {
        // The folder is named: an installed program looks in the user's own folder, not its own.
        MessageRequest question =
            Message(kNoProfilesFound + std::u16string(kLineBreak) + FolderText(s.databaseFolder) +
                        kLineBreak + kTryApplicationFolder,
                    kProfilesMissingTitle, MessageIcon::Critical);
        question.buttons = MessageButtons::YesNo;
        // Enter must not send new profiles into the program's own folder.
        question.defaultAnswer = MessageAnswer::No;
        question.question = Question::TryApplicationFolder;
        if (s.host.showMessage(question) == MessageAnswer::Yes) {
            files = s.files.listProfileFiles(s.applicationFolder);
            s.databaseFolder = s.applicationFolder;
        }
    }
    return NamesOfProfileFiles(files);
}

std::vector<std::u16string> ProfileStore::ProfileNames() {
    return NamesOfProfileFiles(state_->files.listProfileFiles(state_->databaseFolder));
}

namespace {

std::vector<Entry> EntriesOf(const Profile& profile) {
    std::vector<Entry> entries;
    entries.reserve(profile.entries.size());
    for (const std::u16string& record : profile.entries) entries.push_back(Entry::FromRecord(record));
    return entries;
}

std::vector<std::u16string> CategoryNamesOf(const Profile& profile) {
    std::vector<std::u16string> names;
    for (const CategoryList::Item& item : profile.categories.items()) names.push_back(item.name());
    return names;
}

}  // namespace

std::vector<std::u16string> ProfileStore::ProfilesWithConflictCopies() {
    const std::vector<std::u16string> profiles = ProfileNames();
    std::vector<std::u16string> names;
    for (const std::filesystem::path& file : state_->files.listProfileFiles(state_->databaseFolder)) {
        std::optional<std::u16string> name;
        try {
            name = ProfileOfConflictCopy(file.filename().u16string());
        } catch (const std::exception&) {
            continue;
        }
        if (name && std::find(profiles.begin(), profiles.end(), *name) != profiles.end() &&
            std::find(names.begin(), names.end(), *name) == names.end())
            names.push_back(*name);
    }
    return names;
}

std::vector<ConflictCopyInfo> ProfileStore::ConflictCopies() {
    State& s = *state_;
    std::vector<ConflictCopyInfo> copies;
    if (!s.loaded || !s.loggedOn || s.profileName.empty()) return copies;
    const std::vector<Entry> entries = EntriesOf(s.profile);
    const std::vector<std::u16string> categories = CategoryNamesOf(s.profile);
    for (const std::filesystem::path& file : s.files.listProfileFiles(s.databaseFolder)) {
        std::u16string fileName;
        try {
            fileName = file.filename().u16string();
        } catch (const std::exception&) {
            continue;
        }
        if (ProfileOfConflictCopy(fileName) != s.profileName) continue;
        ConflictCopyInfo info;
        info.fileName = fileName;
        if (const std::optional<Profile> copy =
                ReadConflictCopy(s.files, JoinFolder(s.databaseFolder, fileName), s.profile, s.sealedKeys.get(), info.problem)) {
            const MergePlan plan = PlanMerge(entries, categories, EntriesOf(*copy), CategoryNamesOf(*copy));
            info.newEntries = plan.entries.size();
            info.newCategories = plan.categories.size();
        }
        copies.push_back(std::move(info));
    }
    return copies;
}

MergeResult ProfileStore::MergeConflictCopies(const std::vector<std::u16string>& fileNames, bool dryRun) {
    State& s = *state_;
    MergeResult result;
    result.save.outcome = SaveOutcome::Saved;
    std::vector<std::u16string> readable;
    for (ConflictCopyInfo& info : ConflictCopies()) {
        if (!fileNames.empty() && std::find(fileNames.begin(), fileNames.end(), info.fileName) == fileNames.end()) continue;
        if (!info.problem.empty()) {
            result.leftAlone.push_back(std::move(info));
            continue;
        }
        std::u16string problem;
        const std::optional<Profile> copy =
            ReadConflictCopy(s.files, JoinFolder(s.databaseFolder, info.fileName), s.profile, s.sealedKeys.get(), problem);
        if (!copy) {
            info.problem = problem;
            result.leftAlone.push_back(std::move(info));
            continue;
        }
        // Each copy against the profile as the copies before it left it.
        const MergePlan plan = PlanMerge(EntriesOf(s.profile), CategoryNamesOf(s.profile), EntriesOf(*copy),
                                         CategoryNamesOf(*copy));
        result.entriesAdded += plan.entries.size();
        result.categoriesAdded += plan.categories.size();
        if (!dryRun) {
            for (const std::u16string& name : plan.categories) AddNewCategory(s.profile.categories, name);
            for (const Entry& entry : plan.entries) s.profile.entries.push_back(entry.toRecord());
        }
        readable.push_back(info.fileName);
    }
    if (dryRun || readable.empty()) {
        result.merged = dryRun ? std::vector<std::u16string>{} : readable;
        return result;
    }
    if (result.entriesAdded > 0 || result.categoriesAdded > 0) {
        result.save = WriteToFile();
        if (!result.save.saved()) {
            result.entriesAdded = result.categoriesAdded = 0;
            return result;
        }
    }
    for (std::u16string& fileName : readable) {
        if (s.files.remove(JoinFolder(s.databaseFolder, fileName)).failed()) {
            result.leftAlone.push_back(ConflictCopyInfo{fileName, u"it could not be removed", 0, 0});
        } else {
            result.merged.push_back(std::move(fileName));
        }
    }
    return result;
}

OpenResult ProfileStore::OpenProfile(std::u16string_view profileName) {
    State& s = *state_;
    OpenResult result;
    if (s.programEnded) {
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
    s.host.processEvents();
    s.profileName = profileName;
    s.profileFileName = std::u16string(profileName) + kProfileExtension;
    s.profilePath = JoinFolder(s.databaseFolder, s.profileFileName);
    s.held.reset();
    s.loaded = false;
    s.emptyFile = false;
    s.damaged = false;
    s.damagedFile = false;
    s.loggedOn = false;
    s.forgotten = false;
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
    if (s.emptyFile) {
        s.held.reset();
        result.error = ErrorInfo::of(error::kInputPastEnd);
        s.show(Message(kProfileEmpty));
        LogError(kOpReadFromFile, ErrorNumberText(result.error.number), result.error.description);
    } else if (s.damagedFile) {
        s.held.reset();
        result.error = DamagedError();
        s.show(Message(kProfileDamagedMessage));
        LogError(kOpReadFromFile, ErrorNumberText(result.error.number), result.error.description);
    } else if (!s.loaded) {
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

CreateResult ProfileStore::CreateProfile(std::u16string_view profileName) {
    State& s = *state_;
    CreateResult result;
    if (s.programEnded) {
        return result;
    }
    s.beginReport();
    if (std::u16string problem = ProfileNameProblem(profileName); !problem.empty()) {
        result.report.messages.push_back(Message(std::move(problem)));
        return result;
    }
    const std::filesystem::path path = JoinFolder(s.databaseFolder, std::u16string(profileName) + kProfileExtension);
    // Whatever bears the name (a folder, a pipe, a link that leads out of the folder, even to
    // nowhere) keeps it: a new profile is never written through it.
    if (s.files.nameTaken(path)) {
        result.report.messages.push_back(Message(kProfileExists));
        return result;
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
    const SaveOutcome saved = writeToFile();
    s.creating = false;
    if (saved == SaveOutcome::Saved) {
        ListProfiles();
        result.outcome = CreateOutcome::Created;
    } else {
        result.outcome = CreateOutcome::SaveFailed;
        result.error = s.lastError;
    }
    result.report = s.takeReport();
    return result;
}

DeleteResult ProfileStore::DeleteProfile(std::u16string_view profileName) {
    State& s = *state_;
    DeleteResult result;
    if (s.programEnded) {
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
    if (s.host.showMessage(question) != MessageAnswer::Yes) {
        result.outcome = DeleteOutcome::NotConfirmed;
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
        ListProfiles();
    } else {
        result.report.messages.push_back(Message(kFileNotFoundMessage, kFileErrorTitle, MessageIcon::Critical));
        result.outcome = DeleteOutcome::NotFound;
    }
    return result;
}

}  // namespace keyloft
