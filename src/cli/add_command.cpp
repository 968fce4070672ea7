#include "cli/entry_options.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

class AddCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "add", "Add an entry; its password is read (twice on a terminal) unless --generate is given");
        AddProfileName(*command, name_);
        AddEntryOptions(*command, options_);
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        return SaveEntryFromOptions(session, options_, 0);
    }

  private:
    std::string name_;
    EntryOptions options_;
};

}  // namespace

std::unique_ptr<Command> MakeAddCommand() { return std::make_unique<AddCommand>(); }

}  // namespace keyloft::cli
