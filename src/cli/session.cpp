#include "cli/session.h"

#include <chrono>
#include <system_error>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/store_outcomes.h"
#include "cli/text.h"
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
    : options_(options), console_(console), host_(console, options.assumeYes) {
    files_ = platform::CreateHostFileSystem();
    settings_ = platform::CreateUserSettingsStore();
    if (options_.database)
        settings_ = std::make_unique<FolderOverrideSettings>(std::move(settings_),
                                                             FromUtf8Lenient(*options_.database));
    // The default folder is looked for (and made, for an installed program) only when it is used.
    const std::filesystem::path program = platform::ApplicationFolder();
    store_ = std::make_unique<ProfileStore>(host_, *files_, *settings_, clock_, program,
                                            options_.database ? program : platform::DefaultDatabaseFolder(program));
}

Session::~Session() = default;

int Session::settleFolder() {
    if (options_.database) {
        std::error_code error;
        const std::filesystem::path folder = PathFromUtf8(*options_.database);
        if (!std::filesystem::is_directory(folder, error)) {
            Console::printError("keyloft-cli: no such folder: " + *options_.database);
            return kExitFailure;
        }
    }
    store_->setDatabaseFolder(store_->DatabaseFolder());
    return kExitOk;
}

int Session::openAndLogOn(const std::u16string& profileName) {
    if (const int code = settleFolder(); code != kExitOk) return code;
    // Another user's hold goes away when they are done: poll for it a while, as --wait allows.
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options_.waitSeconds));
    bool announced = false;
    OpenResult result = store_->OpenProfile(profileName);
    while (result.outcome == OpenOutcome::InUse && Clock::now() < deadline) {
        if (!announced) {
            Console::printError("keyloft-cli: the profile \"" + ToUtf8(profileName) +
                                "\" is in use by another user; waiting for it...");
            announced = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
        result = store_->OpenProfile(profileName);
    }
    PrintReport(result.report);
    switch (result.outcome) {
        case OpenOutcome::Loaded:
            return logOn();
        case OpenOutcome::NotChosen:
            Console::printError("Specify a profile name!");
            break;
        case OpenOutcome::InUse:
            store_->LogError(u"ReadFromFile", ErrorNumberText(result.error.number), result.error.description);
            break;
        case OpenOutcome::NotFound:
        case OpenOutcome::Failed:
            Console::printError("keyloft-cli: the profile \"" + ToUtf8(profileName) + "\" could not be loaded");
            break;
        case OpenOutcome::BadName:
        case OpenOutcome::Empty:
        case OpenOutcome::Damaged:  // the report says what is wrong with the file
        case OpenOutcome::NotReadable:
        case OpenOutcome::Ended:
            break;
    }
    return ExitCodeFor(result.outcome);
}

int Session::logOn() {
    const Profile& profile = store_->profile();
    const std::int32_t mode = profile.logonMode;
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
        return entered ? FromUtf8Lenient(*entered) : std::u16string();
    };
    const LogonOutcome outcome = store_->LogOn({typed(userId), typed(password), typed(pin)});
    if (outcome == LogonOutcome::Damaged) {
        Console::printError(ToUtf8(kProfileDamagedMessage));
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

int Session::save() {
    const SaveResult result = store_->WriteToFile();
    PrintReport(result.report);
    // A line the cipher rejected while the file was read again: nothing more is done.
    if (result.report.endProgram) return kExitEndedAtOnce;
    if (result.outcome == SaveOutcome::ConflictRefreshed || result.outcome == SaveOutcome::ConflictLockedOut)
        Console::printError("keyloft-cli: nothing was written");
    return ExitCodeFor(result.outcome);
}

}  // namespace keyloft::cli
