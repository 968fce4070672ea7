#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/utf8_text.h"
#include "store/password_generator.h"

namespace keyloft::cli {
namespace {

class GenerateCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "generate", "Print a random password: 7 letters and digits unless --length or --symbols say otherwise");
        AddGeneratorOptions(*command, options_);
        return command;
    }
    int run(const GlobalOptions&, Console&) override {
        PrintOut(ToUtf8(GeneratePassword(options_)) + "\n");
        return kExitOk;
    }

private:
    PasswordOptions options_;
};

}  // namespace

std::unique_ptr<Command> MakeGenerateCommand() { return std::make_unique<GenerateCommand>(); }

}  // namespace keyloft::cli
