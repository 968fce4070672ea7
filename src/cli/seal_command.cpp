#include "cli/command.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

// seal / unseal: saves the profile in the sealed form (readable only with its logon or its security
// answers) or in the usual form, as the check box in the window's setup does. Sealing asks of the
// logon and the answers what the setup asks (store/sealing_rule.h); unsealing a sealed profile asks
// first, since anyone who can copy the file can read it afterwards.
class SealCommand final : public Command {
public:
    explicit SealCommand(bool seal) : seal_(seal) {}

    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command =
            seal_ ? app.add_subcommand("seal",
                                       "Save the profile sealed: the file opens only with its logon or its security\n"
                                       "answers (slow on purpose: the keys are made with Argon2id). Refused while the\n"
                                       "password or an answer is the default or easy to guess: change them with logon")
                  : app.add_subcommand("unseal",
                                       "Save a sealed profile in the usual form again, which anyone who can copy the\n"
                                       "file can read (asks first; --yes answers yes)");
        AddProfileName(*command, name_);
        if (!seal_) command->add_flag("--yes,-y", yes_, "Save in the usual form without asking");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        GlobalOptions effective = options;
        effective.assumeYes = effective.assumeYes || yes_;
        Session session(effective, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const bool was = session.store().sealed();
        if (seal_) {
            if (const std::optional<std::u16string> refusal = session.store().sealingRefusal()) {
                Refuse(session, *refusal);
                Console::printError("keyloft-cli: nothing was written; change the logon and the security questions "
                                    "with \"keyloft-cli logon " + name_ + "\", which seals the profile as well");
                return kExitFailure;
            }
        } else if (was && !ConfirmUsualForm(session, name_)) {
            return kExitFailure;
        }
        session.store().setSealed(seal_);
        if (const int code = session.save(); code != kExitOk) return code;
        if (was == seal_) {
            PrintOut("The profile \"" + name_ + "\" was already " + (seal_ ? "sealed" : "in the usual form") +
                     "; saved again.\n");
        } else {
            PrintOut(seal_ ? "Sealed the profile \"" + name_ + "\".\n"
                           : "The profile \"" + name_ + "\" is in the usual form again.\n");
        }
        return kExitOk;
    }

private:
    bool seal_;
    bool yes_ = false;
    std::string name_;
};

}  // namespace

std::unique_ptr<Command> MakeSealCommand() { return std::make_unique<SealCommand>(true); }
std::unique_ptr<Command> MakeUnsealCommand() { return std::make_unique<SealCommand>(false); }

}  // namespace keyloft::cli
