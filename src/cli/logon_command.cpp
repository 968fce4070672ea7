#include <algorithm>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/secret_memory.h"
#include "store/sealing_rule.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

constexpr std::size_t kMaxQuestions = 3;  // the rows of the setup and of the logon's answers

// --mode's words, in the order of the logon modes (1 to 3), and --answer-mode's, in the order of the
// answer modes (1 to 3).
const std::vector<std::string> kModeNames{"password", "userid", "pin"};
const std::vector<std::string> kAnswerModeNames{"one", "two", "all"};

// The 1-based place of a word among `names` (the option's check has accepted it).
std::int32_t PlaceOf(const std::vector<std::string>& names, const std::string& name) {
    return 1 + static_cast<std::int32_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

constexpr char16_t kGiveQuestionsTail[] = u" Give them with --question TEXT (each answer is asked for).";

constexpr char kAnswerOnCommandLine[] =
    "keyloft-cli: --answer is refused: an answer on the command line can be read by other users of the "
    "machine and stays in the shell's history. Give each --question alone and type its answer when asked "
    "(without echo, twice); from a pipe, give each answer on two lines after the new password (and PIN)";

// The security setup as typed, wiped when the command ends.
struct TypedSetup {
    SecuritySettings settings;
    ~TypedSetup() {
        for (std::u16string* text :
             {&settings.userId, &settings.password, &settings.pin, &settings.confirmation})
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
            "as logon details are, and so is the new PIN when the mode asks for one. --question replaces\n"
            "the security questions (otherwise they stay): the answer to each is read twice after them, in\n"
            "the order of the questions. The profile is saved sealed unless --unsealed: a password that\n"
            "is the default or easy to guess is then refused, and answers too easy to guess get no slot\n"
            "(Forgotten Logon cannot open the file with them; standard error says which)");
        AddProfileName(*command, name_);
        command
            ->add_option("--mode", mode_,
                         "password: password only; userid: user ID and password; pin: user ID, password and\n"
                         "PIN (default: the profile's present mode)")
            ->check(CLI::IsMember(kModeNames))
            ->type_name("password|userid|pin");
        command->add_option("--user-id", userId_, "The new user ID (default: the present one)")
            ->check(Utf8Text());
        command
            ->add_option("--question", questions_, "A security question (up to 3); its answer is asked for")
            ->allow_extra_args(false)
            ->check(Utf8Text());
        command
            ->add_option("--answer-mode", answerMode_,
                         "How many answers Forgotten Logon asks for: one, two or all (default: the\n"
                         "profile's present choice)")
            ->check(CLI::IsMember(kAnswerModeNames))
            ->type_name("one|two|all");
        // Refused, with how to give an answer instead.
        command->add_option("--answer", answersGiven_)->group("")->allow_extra_args(false);
        command->add_flag("--unsealed", unsealed_,
                          "Save in the usual form, which anyone who can copy the file can read (a sealed\n"
                          "profile asks first)");
        command->add_flag("--yes,-y", yes_,
                          "Answer yes: save a sealed profile in the usual form without asking, and choose\n"
                          "\"All Answers\" when it is offered");
        return command;
    }

    int run(const GlobalOptions& options, Console& console) override {
        if (!answersGiven_.empty()) {
            Console::printError(kAnswerOnCommandLine);
            return kExitUsage;
        }
        if (questions_.size() > kMaxQuestions) {
            Console::printError("keyloft-cli: at most 3 security questions");
            return kExitUsage;
        }
        GlobalOptions effective = options;
        effective.assumeYes = effective.assumeYes || yes_;
        Session session(effective, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const Profile& profile = session.profile();

        TypedSetup typed;
        SecuritySettings& settings = typed.settings;
        settings.logonMode = mode_ ? PlaceOf(kModeNames, *mode_) : profile.logonMode;
        settings.userId = userId_ ? FromArgument(*userId_) : profile.userId;
        settings.pin = profile.pin;
        // As the setup shows it: its rule for questions applies.
        settings.answerMode = answerMode_ ? PlaceOf(kAnswerModeNames, *answerMode_) : profile.answerMode;
        settings.seal = !unsealed_;
        if (const int code = readSecrets(console, settings); code != kExitOk) return code;
        if (questions_.empty()) {
            settings.questions = profile.questions;
        } else if (const int code = readAnswers(console, settings); code != kExitOk) {
            return code;
        }

        if (unsealed_ && session.store().open().sealed() && !ConfirmUsualForm(session, name_))
            return kExitFailure;
        EditResult edit = ChangeSecurity(session, settings);
        if (edit.refusal && (*edit.refusal == kNeedOneQuestionText || *edit.refusal == kNeedTwoQuestionsText))
            *edit.refusal += kGiveQuestionsTail;
        if (const int code = session.finish(edit); code != kExitOk) return code;
        PrintOut("Changed the logon of the profile \"" + name_ + "\"; " +
                 (session.store().open().sealed() ? "it is sealed.\n" : "it is in the usual form.\n"));
        PrintNotice(edit);
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
    // The answer to each --question, read twice as the new password is; a question without an
    // answer is the setup's blank (it refuses it).
    int readAnswers(Console& console, SecuritySettings& settings) const {
        for (const std::string& question : questions_) {
            auto answer = ReadNewSecret(console, "Answer to \"" + question + "\": ", "Confirm the answer: ");
            if (!answer) return inputEnded("the answer to \"" + question + "\"");
            const bool same = answer->first == answer->second;
            settings.questions.push_back({FromArgument(question), answer->first});
            Wipe(answer->first);
            Wipe(answer->second);
            if (!same) {
                Console::printError("keyloft-cli: the answer to \"" + question +
                                    "\" and its confirmation differ; nothing was changed");
                return kExitFailure;
            }
        }
        return kExitOk;
    }
    static int inputEnded(const std::string& what) {
        Console::printError("keyloft-cli: standard input ended before " + what + "; nothing was changed");
        return kExitFailure;
    }

    std::string name_;
    std::optional<std::string> mode_;
    std::optional<std::string> userId_;
    std::optional<std::string> answerMode_;
    std::vector<std::string> questions_, answersGiven_;
    bool unsealed_ = false;
    bool yes_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeLogonCommand() { return std::make_unique<LogonCommand>(); }

}  // namespace keyloft::cli
