#include <algorithm>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/secret_memory.h"
#include "store/sealing_rule.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

constexpr std::size_t kMaxQuestions = 3;  // the rows of the setup and of the logon's answers

// --mode's words, in the order of the logon modes.
const std::vector<std::string> kModeNames{"password", "userid", "pin"};

std::int32_t ModeOf(const std::string& name) {
    const auto found = std::find(kModeNames.begin(), kModeNames.end(), name);
    return kPasswordOnly + static_cast<std::int32_t>(found - kModeNames.begin());
}

// What the default question's refusal goes on to say on the command line.
constexpr char16_t kOwnAnswersTail[] =
    u" Give questions and answers of your own with --question TEXT --answer TEXT (up to 3 pairs), or keep "
    u"the readable form with --unsealed.";

constexpr char16_t kGiveQuestionsTail[] = u" Give them with --question TEXT --answer TEXT.";

// The security setup as typed, wiped when the command ends.
struct TypedSetup {
    SecuritySettings settings;
    ~TypedSetup() {
        for (std::u16string* text : {&settings.userId, &settings.password, &settings.pin, &settings.confirmation})
            Wipe(*text);
        for (SecurityQuestion& pair : settings.questions) Wipe(pair.answer);
    }
};

// logon: changes the logon details and the security questions through the window's security setup
// (the same checks and messages), and saves the profile sealed unless --unsealed.
class LogonCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "logon",
            "Change the logon (after logging on with the present one): the new password is read twice,\n"
            "as logon details are, and so is the new PIN when the mode asks for one. --question and\n"
            "--answer replace the security questions (otherwise they stay). The profile is saved sealed\n"
            "unless --unsealed: a password or an answer that is the default or easy to guess is then refused");
        AddProfileName(*command, name_);
        command
            ->add_option("--mode", mode_,
                         "password: password only; userid: user ID and password; pin: user ID, password and\n"
                         "PIN (default: the profile's present mode)")
            ->check(CLI::IsMember(kModeNames))
            ->type_name("password|userid|pin");
        command->add_option("--user-id", userId_, "The new user ID (default: the present one)")->check(Utf8Text());
        command->add_option("--question", questions_, "A security question (up to 3, each with its --answer)")
            ->allow_extra_args(false)
            ->check(Utf8Text());
        command->add_option("--answer", answers_, "The answer to the --question in the same place")
            ->allow_extra_args(false)
            ->check(Utf8Text());
        command->add_flag("--unsealed", unsealed_,
                          "Save in the usual form, which anyone who can copy the file can read (a sealed\n"
                          "profile asks first)");
        command->add_flag("--yes,-y", yes_, "Save a sealed profile in the usual form without asking");
        return command;
    }

    int run(const GlobalOptions& options, Console& console) override {
        if (questions_.size() > kMaxQuestions || answers_.size() > kMaxQuestions) {
            Console::printError("keyloft-cli: at most 3 security questions, each with its --answer");
            return kExitUsage;
        }
        GlobalOptions effective = options;
        effective.assumeYes = effective.assumeYes || yes_;
        Session session(effective, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const Profile& profile = session.profile();

        TypedSetup typed;
        SecuritySettings& settings = typed.settings;
        settings.logonMode = mode_ ? ModeOf(*mode_) : profile.logonMode;
        settings.userId = userId_ ? FromArgument(*userId_) : profile.userId;
        settings.pin = profile.pin;
        settings.answerMode = profile.answerMode;  // as the setup shows it: its rule for questions applies
        settings.seal = !unsealed_;
        if (const int code = readSecrets(console, settings); code != kExitOk) return code;
        if (questions_.empty() && answers_.empty()) {
            settings.questions = profile.questions;
        } else {
            // A question without its answer, or the reverse, is the setup's blank: it refuses it.
            for (std::size_t i = 0; i < std::max(questions_.size(), answers_.size()); ++i)
                settings.questions.push_back(
                    {i < questions_.size() ? FromArgument(questions_[i]) : std::u16string(),
                     i < answers_.size() ? FromArgument(answers_[i]) : std::u16string()});
        }

        if (unsealed_ && session.store().sealed() && !ConfirmUsualForm(session, name_)) return kExitFailure;
        EditResult edit = session.store().changeSecurity(settings);
        if (edit.refusal && *edit.refusal == kDefaultAnswerRefusal) *edit.refusal += kOwnAnswersTail;
        if (edit.refusal && (*edit.refusal == kNeedOneQuestionText || *edit.refusal == kNeedTwoQuestionsText))
            *edit.refusal += kGiveQuestionsTail;
        if (const int code = session.finish(edit); code != kExitOk) return code;
        PrintOut("Changed the logon of the profile \"" + name_ + "\"; " +
                 (session.store().sealed() ? "it is sealed.\n" : "it is in the usual form.\n"));
        return kExitOk;
    }

private:
    // The new password (twice) and, when the mode asks for one, the new PIN (twice).
    static int readSecrets(Console& console, SecuritySettings& settings) {
        auto password = ReadNewSecret(console, "New password: ", "Confirm new password: ");
        if (!password) return inputEnded("the new password");
        settings.password = password->first;
        settings.confirmation = password->second;
        Wipe(password->first);
        Wipe(password->second);
        if (settings.logonMode != kUserIdPasswordAndPin) return kExitOk;
        auto pin = ReadNewSecret(console, "New PIN Number: ", "Confirm new PIN Number: ");
        if (!pin) return inputEnded("the new PIN Number");
        const bool same = pin->first == pin->second;
        settings.pin = pin->first;
        Wipe(pin->first);
        Wipe(pin->second);
        if (same) return kExitOk;
        Console::printError("keyloft-cli: the PIN Number and its confirmation differ; nothing was changed");
        return kExitFailure;
    }
    static int inputEnded(const std::string& what) {
        Console::printError("keyloft-cli: standard input ended before " + what + "; nothing was changed");
        return kExitFailure;
    }

    std::string name_;
    std::optional<std::string> mode_;
    std::optional<std::string> userId_;
    std::vector<std::string> questions_, answers_;
    bool unsealed_ = false;
    bool yes_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeLogonCommand() { return std::make_unique<LogonCommand>(); }

}  // namespace keyloft::cli
