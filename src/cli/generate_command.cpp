#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/text.h"
#include "store/password_generator.h"

namespace keyloft::cli {
namespace {

class GenerateCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        return app.add_subcommand("generate", "Print a random 7-character password of letters and digits");
    }
    int run(const GlobalOptions&, Console&) override {
        PrintOut(ToUtf8(GeneratePassword()) + "\n");
        return kExitOk;
    }
};

}  // namespace

std::unique_ptr<Command> MakeGenerateCommand() { return std::make_unique<GenerateCommand>(); }

}  // namespace keyloft::cli
