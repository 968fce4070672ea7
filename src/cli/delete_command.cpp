#include <filesystem>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/store_outcomes.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

class DeleteCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "delete",
            "Delete a profile file (asks first; --yes answers yes; no logon needed, as in the window)");
        AddProfileName(*command, name_);
        command->add_flag("--yes,-y", yes_, "Delete without asking");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        GlobalOptions effective = options;
        effective.assumeYes = effective.assumeYes || yes_;
        Session session(effective, console);
        if (const int code = session.settleFolder(); code != kExitOk) return code;
        const std::u16string name = FromArgument(name_);
        DeleteResult result = session.store().folder().deleteProfile(name);
        if (result.question && session.host().showMessage(*result.question) == MessageAnswer::Yes)
            result = session.store().folder().deleteProfile(name, DeleteConfirmation::Confirmed);
        PrintReport(result.report);
        switch (result.outcome) {
            case DeleteOutcome::Deleted:
                PrintOut("Deleted profile \"" + name_ + "\".\n");
                return kExitOk;
            case DeleteOutcome::Failed:
                Console::printError(result.error.inUse
                                        ? Utf16ToUtf8(ProfileInUseMessage(name))
                                        : "keyloft-cli: the profile \"" + name_ +
                                              "\" was not deleted: " + Utf16ToUtf8(result.error.description));
                return kExitFailure;
            case DeleteOutcome::NotConfirmed:
                Console::printError("keyloft-cli: the profile \"" + name_ +
                                    "\" was not deleted (not confirmed)");
                return kExitFailure;
            case DeleteOutcome::NotChosen:
            case DeleteOutcome::BadName:
            case DeleteOutcome::NotFound:
                break;
        }
        return kExitFailure;
    }

  private:
    std::string name_;
    bool yes_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeDeleteCommand() { return std::make_unique<DeleteCommand>(); }

}  // namespace keyloft::cli
