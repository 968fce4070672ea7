#include "cli/entry_options.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

class EditCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "edit",
            "Change an entry: the options given replace its fields, the rest stay; the password changes "
            "only\n"
            "with --password (read as for add) or --generate. The edited entry moves to the last row.");
        AddProfileName(*command, name_);
        AddRow(*command, row_);
        AddEntryOptions(*command, options_);
        command->add_flag("--password", options_.askPassword, "Read a new password for the entry");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        if (const int code = CheckRow(session, row_); code != kExitOk) return code;
        return SaveEntryFromOptions(session, options_, row_);
    }

  private:
    std::string name_;
    std::size_t row_ = 0;
    EntryOptions options_;
};

}  // namespace

std::unique_ptr<Command> MakeEditCommand() { return std::make_unique<EditCommand>(); }

}  // namespace keyloft::cli
