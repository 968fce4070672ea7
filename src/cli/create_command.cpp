#include <filesystem>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/store_outcomes.h"
#include "store/secret_memory.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

class CreateCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "create",
            "Create a profile; its password is \"opensesame\" until changed (logon, or Keyloft's Setup "
            "view).\n"
            "With --seal it is created sealed with a password of your own, read twice as logon details\n"
            "are, and no security question");
        AddProfileName(*command, name_);
        command->add_flag(
            "--seal", seal_,
            "Create it sealed, with the logon \"password only\" and the password you give (the\n"
            "default or an easy one is refused); it has no security question to open it with");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.settleFolder(); code != kExitOk) return code;
        const std::u16string name = FromArgument(name_);
        SealedStart start;
        if (seal_) {
            auto typed = ReadNewSecret(console, "New password: ", "Confirm new password: ");
            if (!typed) {
                Console::printError(
                    "keyloft-cli: standard input ended before the new password; nothing was created");
                return kExitFailure;
            }
            start = {std::move(typed->first), std::move(typed->second)};
        }
        const CreateResult result = seal_ ? session.store().open().createProfile(name, start)
                                          : session.store().open().createProfile(name);
        Wipe(start.password);
        Wipe(start.confirmation);
        PrintReport(result.report);
        switch (result.outcome) {
            case CreateOutcome::Created:
                break;
            case CreateOutcome::Refused:
                return kExitFailure;
            case CreateOutcome::SaveFailed:
                return kExitSaveFailed;
        }
        if (seal_) {
            PrintOut("Created the sealed profile \"" + name_ +
                     "\". It opens with the password you gave, and with nothing else: it has no security\n"
                     "question. Add questions and answers with \"keyloft-cli logon " +
                     name_ + " --question TEXT\" (it asks for each answer).\n");
            return kExitOk;
        }
        PrintOut("Created profile \"" + name_ + "\". Its password is \"" + Utf16ToUtf8(kDefaultLogonValue) +
                 "\" (and so are its user ID, PIN and the answer to its default question):\n"
                 "change it with \"keyloft-cli logon " +
                 name_ +
                 "\" or in Keyloft's Setup view before you keep\n"
                 "anything in it.\n");
        return kExitOk;
    }

  private:
    std::string name_;
    bool seal_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeCreateCommand() { return std::make_unique<CreateCommand>(); }

}  // namespace keyloft::cli
