#include "cli/command.h"
#include "cli/entry_output.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

class ShowCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("show", "Show one entry");
        AddProfileName(*command, name_);
        AddRow(*command, row_);
        command->add_flag("--show-password", showPassword_, "Print the password in clear");
        command->add_flag("--json", json_, "Print the entry as a JSON object");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        if (const int code = CheckRow(session, row_); code != kExitOk) return code;
        const Entry& entry = session.profile().entries[row_ - 1];
        const PasswordShown password = showPassword_ ? PasswordShown::Clear : PasswordShown::Masked;
        PrintOut(json_ ? EntryJson(row_, entry, password).dump(2) + "\n" : EntryBlock(row_, entry, password));
        return kExitOk;
    }

  private:
    std::string name_;
    std::size_t row_ = 0;
    bool showPassword_ = false;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeShowCommand() { return std::make_unique<ShowCommand>(); }

}  // namespace keyloft::cli
