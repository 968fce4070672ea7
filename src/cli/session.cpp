#include "cli/command.h"
#include "cli/session.h"

#include <chrono>
#include <memory>
#include <system_error>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/store_outcomes.h"
#include "store/sealed_profile.h"
#include "store/sealed_unlock.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"
#include "store/utf8_text.h"
#include "platform/platform_core.h"

namespace keyloft::cli {
namespace {

constexpr char16_t kDetailsIncorrect[] = u" The Details are incorrect. Please re-enter.";
constexpr int kPollMilliseconds = 100;

// The user settings, except that the "Database" setting reads as the folder given with
// --database, so that every listing of the profiles uses that folder.
class FolderOverrideSettings final : public SettingsStore {
  public:
    FolderOverrideSettings(std::unique_ptr<SettingsStore> inner, std::u16string folder)
        : inner_(std::move(inner)), folder_(std::move(folder)) {}
    bool read(std::u16string_view name, std::u16string& value) override {
        if (name == kSettingDatabase) {
            value = folder_;
            return true;
        }
        return inner_->read(name, value);
    }
    bool write(std::u16string_view name, std::u16string_view value) override {
        return inner_->write(name, value);
    }

  private:
    std::unique_ptr<SettingsStore> inner_;
    std::u16string folder_;
};

}  // namespace

Session::Session(const GlobalOptions& options, Console& console)
    : options_(options), console_(console), shell_(options.shell), host_(console, options.assumeYes) {
    if (shell_ != nullptr) {
        shell_->host().setAssumeYes(options.assumeYes);
        return;
    }
    files_ = platform::CreateHostFileSystem();
    settings_ = platform::CreateUserSettingsStore();
    if (options_.database)
        settings_ =
            std::make_unique<FolderOverrideSettings>(std::move(settings_), Utf8ToUtf16(*options_.database));
    // The default folder is looked for (and made, for an installed program) only when it is used.
    const std::filesystem::path program = platform::ApplicationFolder();
    store_ = std::make_unique<ProfileStore>(
        host_, *files_, *settings_, clock_, program,
        options_.database ? program : platform::DefaultDatabaseFolder(program));
}

// The end of the command. Inside the shell the profile is let go until the next command; the
// shell's own session (and every other) ends with nothing of the profile left in memory.
Session::~Session() {
    if (shell_ != nullptr) {
        shell_->store().open().closeHeldFile();
        shell_->host().setAssumeYes(shell_->options_.assumeYes);
    } else if (store_) {
        store_->open().forget();
    }
    for (std::u16string* text : {&typed_.userId, &typed_.password, &typed_.pin}) Wipe(*text);
}

int Session::settleFolder() {
    if (shell_ != nullptr) return kExitOk;  // settled when the shell started
    if (options_.database) {
        std::error_code error;
        const std::filesystem::path folder = PathFromUtf8(*options_.database);
        if (!std::filesystem::is_directory(folder, error)) {
            Console::printError("keyloft-cli: no such folder: " + *options_.database);
            return kExitFailure;
        }
    }
    store_->folder().setDatabaseFolder(store_->folder().folderFromSettings());
    return kExitOk;
}

OpenResult Session::waitWhileInUse(const std::u16string& profileName, double waitSeconds,
                                   const std::function<OpenResult()>& attempt) {
    // Another user's hold goes away when they are done: poll for it a while, as --wait allows.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(waitSeconds));
    bool announced = false;
    OpenResult result = attempt();
    while (result.outcome == OpenOutcome::InUse && Clock::now() < deadline) {
        if (!announced) {
            Console::printError("keyloft-cli: the profile \"" + Utf16ToUtf8(profileName) +
                                "\" is in use by another user; waiting for it...");
            announced = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
        result = attempt();
    }
    PrintReport(result.report);
    if (result.outcome == OpenOutcome::InUse)
        store().folder().logError(u"ReadFromFile", ErrorNumberText(result.error.number),
                                  result.error.description);
    return result;
}

OpenResult Session::openProfile(const std::u16string& profileName) {
    return waitWhileInUse(profileName, options_.waitSeconds,
                          [&] { return answered(store_->open().openProfile(profileName)); });
}

int Session::openAndLogOn(const std::u16string& profileName) {
    if (shell_ != nullptr) return shell_->reopen(options_.waitSeconds);
    if (const int code = settleFolder(); code != kExitOk) return code;
    const OpenResult result = openProfile(profileName);
    switch (result.outcome) {
        case OpenOutcome::Loaded:
            if (const std::optional<sealed::SealedFile> file = store_->open().loadedSealedFile())
                return logOnSealed(profileName, *file);
            return logOn();
        case OpenOutcome::NotChosen:
            Console::printError("Specify a profile name!");
            break;
        case OpenOutcome::NotFound:
        case OpenOutcome::Failed:
            Console::printError("keyloft-cli: the profile \"" + Utf16ToUtf8(profileName) +
                                "\" could not be loaded");
            break;
        case OpenOutcome::Replaced:
            if (host_.lastQuestion() == Question::OpenRolledBackProfile) {
                Console::printError("keyloft-cli: the profile \"" + Utf16ToUtf8(profileName) +
                                    "\" was not opened; \"keyloft-cli merge " + Utf16ToUtf8(profileName) +
                                    "\" opens it and merges the conflict copies into it");
            } else {
                Console::printError("keyloft-cli: the profile \"" + Utf16ToUtf8(profileName) +
                                    "\" was not opened (--yes opens it anyway)");
            }
            break;
        case OpenOutcome::InUse:
        case OpenOutcome::BadName:
        case OpenOutcome::Empty:
        case OpenOutcome::Damaged:  // the report says what is wrong with the file
        case OpenOutcome::NotReadable:
        case OpenOutcome::Ended:
        case OpenOutcome::NeedsAnswer:  // answered in openProfile
            break;
    }
    return ExitCodeFor(result.outcome);
}

int Session::reopen(double waitSeconds) {
    const std::u16string name = store_->open().profileName();
    const OpenResult result =
        waitWhileInUse(name, waitSeconds, [this] { return answered(store_->open().reloadIfChanged()); });
    if (!result.loaded()) {
        if (result.outcome == OpenOutcome::NotFound || result.outcome == OpenOutcome::Failed)
            Console::printError("keyloft-cli: the profile \"" + Utf16ToUtf8(name) + "\" could not be loaded");
        if (result.outcome == OpenOutcome::Replaced) {
            // The profile was dropped: the shell cannot go on with it.
            Console::printError("keyloft-cli: the profile \"" + Utf16ToUtf8(name) +
                                "\" was not opened again; the shell ends without saving");
            ended_ = true;
        }
        return ExitCodeFor(result.outcome);
    }
    if (result.unchanged) return kExitOk;  // the profile in memory is the file's, logon and all
    // A sealed file read again opens only with the key of the logon: keys made anew (a colleague
    // changed its logon or its questions) mean logging on again.
    if (const std::optional<sealed::SealedFile> file = store_->open().loadedSealedFile()) {
        const std::string changed = "keyloft-cli: the keys of the sealed profile \"" + Utf16ToUtf8(name) +
                                    "\" were made anew since the shell logged on (its logon or its questions "
                                    "were changed); ";
        if (!console_.interactive()) {
            store_->open().closeHeldFile();
            Console::printError(changed + "start the shell again");
            return kExitLogonRefused;
        }
        Console::printError(changed + "log on again");
        return logOnSealed(name, *file);
    }
    // The usual form: the details typed at the logon against the file's.
    if (store_->open().logOn(typed_) != LogonOutcome::LoggedOn) {
        store_->open().closeHeldFile();
        Console::printError("keyloft-cli: the logon of the profile \"" + Utf16ToUtf8(name) +
                            "\" was changed since the shell logged on; start the shell again");
        return kExitLogonRefused;
    }
    return kExitOk;
}

// Colleagues wait for the reading and the saving only: the details are typed and Argon2id makes the
// key while the file is let go. Loaded again, the file opens with that key when its logon slot is
// the one the key came from; otherwise (a colleague changed the logon meanwhile, or put another
// file in its place) the details are tried as the logon step always tries them.
int Session::logOnSealed(const std::u16string& profileName, const sealed::SealedFile& file) {
    store_->open().closeHeldFile();
    if (const int code = readLogon(file.logonMode); code != kExitOk) return code;
    const std::unique_ptr<SealedUnlock> unlock = SealedUnlock::prepare(store_->open(), typed_);
    if (!unlock) return logonResult(store_->open().logOn(typed_));
    unlock->derive();
    if (unlock->refused()) return logonResult(LogonOutcome::Incorrect);
    const OpenResult again = openProfile(profileName);
    if (!again.loaded()) return ExitCodeFor(again.outcome);
    return logonResult(unlock->finish(store_->open()));
}

int Session::logOn() {
    if (const int code = readLogon(store_->open().profile().logonMode); code != kExitOk) return code;
    return logonResult(store_->open().logOn(typed_));
}

int Session::readLogon(std::int32_t mode) {
    // Asked in the order of the window's rows: user ID, password, PIN.
    std::optional<std::string> userId, password, pin;
    bool complete = true;
    const auto ask = [&](std::optional<std::string>& value, const char* prompt) {
        if (complete) {
            value = console_.readSecret(prompt);
            complete = value.has_value();
        }
    };
    if (mode > kPasswordOnly) ask(userId, "User ID: ");
    ask(password, "Password: ");
    if (mode > kUserIdAndPassword) ask(pin, "PIN Number: ");
    if (!complete) {
        Console::printError("keyloft-cli: standard input ended before the logon details");
        return kExitLogonRefused;
    }

    const auto typed = [](const std::optional<std::string>& entered) {
        return entered ? Utf8ToUtf16(*entered) : std::u16string();
    };
    typed_ = {typed(userId), typed(password), typed(pin)};
    return kExitOk;
}

int Session::logonResult(LogonOutcome outcome) {
    if (outcome == LogonOutcome::Damaged) {
        Console::printError(Utf16ToUtf8(kProfileDamagedMessage));
        return kExitNotLoaded;
    }
    if (outcome != LogonOutcome::LoggedOn) {
        MessageRequest request;
        request.text = kDetailsIncorrect;
        host_.showMessage(request);
        return kExitLogonRefused;
    }
    return kExitOk;
}

int Session::save() { return reportSave(store().open().save()); }

int Session::finish(const EditResult& edit) {
    if (edit.refusal) return Refuse(*this, *edit.refusal);
    return reportSave(*edit.save);
}

OpenResult Session::answered(OpenResult result) {
    while (result.outcome == OpenOutcome::NeedsAnswer && result.question) {
        result =
            store().open().answerReplacedFile(host().showMessage(*result.question) == MessageAnswer::Yes);
    }
    return result;
}

SaveResult Session::answered(SaveResult result) {
    while (result.outcome == SaveOutcome::NeedsAnswer && result.question) {
        result =
            store().open().answerReplacedSave(host().showMessage(*result.question) == MessageAnswer::Yes);
    }
    return result;
}

int Session::reportSave(const SaveResult& asked, bool retrying) {
    const SaveResult result = answered(asked);
    PrintReport(result.report);
    // A line the cipher rejected while the file was read again: nothing more is done.
    if (result.report.endProgram) return kExitEndedAtOnce;
    if ((result.outcome == SaveOutcome::ConflictRefreshed && !retrying) ||
        result.outcome == SaveOutcome::ConflictLockedOut)
        Console::printError("keyloft-cli: nothing was written");
    return ExitCodeFor(result.outcome);
}

}  // namespace keyloft::cli
