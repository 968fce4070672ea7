#include <filesystem>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/store_outcomes.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

class CreateCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "create", "Create a profile; its password is \"opensesame\" until changed in Keyloft's Setup view");
        AddProfileName(*command, name_);
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.settleFolder(); code != kExitOk) return code;
        const std::u16string name = FromArgument(name_);
        const CreateResult result = session.store().CreateProfile(name);
        PrintReport(result.report);
        switch (result.outcome) {
            case CreateOutcome::Created:
                break;
            case CreateOutcome::Refused:
                return kExitFailure;
            case CreateOutcome::SaveFailed:
                return kExitSaveFailed;
        }
        PrintOut("Created profile \"" + name_ + "\". Its password is \"" + Utf16ToUtf8(kDefaultLogonValue) +
                 "\" (and so are its user ID, PIN and the answer to its default question):\n"
                 "change it in Keyloft's Setup view before you keep anything in it.\n");
        return kExitOk;
    }

private:
    std::string name_;
};

}  // namespace

std::unique_ptr<Command> MakeCreateCommand() { return std::make_unique<CreateCommand>(); }

}  // namespace keyloft::cli
