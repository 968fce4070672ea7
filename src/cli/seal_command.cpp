#include "cli/command.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

// seal / unseal: saves the profile in the sealed form (readable only with its logon or its security
// answers) or in the usual form, as the check box in the window's setup does.
class SealCommand final : public Command {
public:
    explicit SealCommand(bool seal) : seal_(seal) {}

    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command =
            seal_ ? app.add_subcommand("seal",
                                       "Save the profile sealed: the file opens only with its logon or its security\n"
                                       "answers (slow on purpose: the keys are made with Argon2id)")
                  : app.add_subcommand("unseal", "Save a sealed profile in the usual form again");
        AddProfileName(*command, name_);
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const bool was = session.store().sealed();
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
    std::string name_;
};

}  // namespace

std::unique_ptr<Command> MakeSealCommand() { return std::make_unique<SealCommand>(true); }
std::unique_ptr<Command> MakeUnsealCommand() { return std::make_unique<SealCommand>(false); }

}  // namespace keyloft::cli
