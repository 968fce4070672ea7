#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/utf8_text.h"
#include "store/password_generator.h"
#include "store/password_strength.h"

namespace keyloft::cli {
namespace {

class GenerateCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "generate",
            "Print a random password: 7 letters and digits unless --length or --symbols say otherwise");
        AddGeneratorOptions(*command, options_);
        command->add_flag(
            "--strength", strength_,
            "Then a line with its strength: \"Strength: Strong (4 of 4)\", and what makes it weak");
        return command;
    }
    int run(const GlobalOptions&, Console&) override {
        const std::u16string password = GeneratePassword(options_);
        std::string text = Utf16ToUtf8(password) + "\n";
        if (strength_) {
            const PasswordStrength rated = RatePassword(password);
            text += "Strength: " + Utf16ToUtf8(std::u16string(StrengthWord(rated.score))) + " (" +
                    std::to_string(rated.score) + " of 4)";
            if (!rated.warning.empty()) text += ". " + Utf16ToUtf8(rated.warning);
            text += "\n";
        }
        PrintOut(text);
        return kExitOk;
    }

  private:
    PasswordOptions options_;
    bool strength_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeGenerateCommand() { return std::make_unique<GenerateCommand>(); }

}  // namespace keyloft::cli
