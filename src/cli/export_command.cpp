#include "cli/command.h"
#include "cli/entry_output.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

class ExportCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "export", "Write every entry, passwords in clear, to standard output (UTF-8)");
        AddProfileName(*command, name_);
        command->add_option("--format", format_, "csv (RFC 4180, with a header row) or json")
            ->required()
            ->check(CLI::IsMember({"csv", "json"}));
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const auto& entries = session.profile().entries;
        if (format_ == "json") {
            nlohmann::ordered_json array = nlohmann::ordered_json::array();
            for (std::size_t row = 1; row <= entries.size(); ++row)
                array.push_back(EntryJson(row, entries[row - 1], PasswordShown::Clear));
            PrintOut(array.dump(2) + "\n");
        } else {
            std::string text = CsvHeader();
            for (std::size_t row = 1; row <= entries.size(); ++row)
                text += CsvRow(row, entries[row - 1]);
            PrintOut(text);
        }
        return kExitOk;
    }

private:
    std::string name_;
    std::string format_;
};

}  // namespace

std::unique_ptr<Command> MakeExportCommand() { return std::make_unique<ExportCommand>(); }

}  // namespace keyloft::cli
