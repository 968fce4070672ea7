#include "cli/command.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

class RemoveCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("rm", "Delete one entry and save the profile");
        AddProfileName(*command, name_);
        AddRow(*command, row_);
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        if (const int code = CheckRow(session, row_); code != kExitOk) return code;
        if (const int code = session.finish(session.store().edits().removeEntry(row_)); code != kExitOk)
            return code;
        PrintOut("Deleted row " + std::to_string(row_) + ".\n");
        return kExitOk;
    }

  private:
    std::string name_;
    std::size_t row_ = 0;
};

}  // namespace

std::unique_ptr<Command> MakeRemoveCommand() { return std::make_unique<RemoveCommand>(); }

}  // namespace keyloft::cli
