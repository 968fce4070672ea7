#include "cli/command.h"
#include "cli/entry_output.h"
#include "cli/exit_codes.h"

namespace keyloft::cli {
namespace {

class ListCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "ls", "List the entries of a profile with their rows (passwords masked; tab-separated)");
        AddProfileName(*command, name_);
        command->add_option("--category", category_, "Only entries of exactly this category")
            ->check(Utf8Text());
        command->add_flag("--json", json_, "One JSON object per entry, in an array");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const std::optional<std::u16string> category =
            category_ ? std::optional(FromArgument(*category_)) : std::nullopt;

        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        std::string text = ListHeader();
        const auto& entries = session.profile().entries;
        for (std::size_t row = 1; row <= entries.size(); ++row) {
            const EntryFields entry = ParseEntryRecord(entries[row - 1]);
            if (category && entry.category != *category) continue;
            if (json_)
                array.push_back(EntryJson(row, entry, PasswordShown::Masked));
            else
                text += ListRow(row, entry);
        }
        PrintOut(json_ ? array.dump(2) + "\n" : text);
        return kExitOk;
    }

private:
    std::string name_;
    std::optional<std::string> category_;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeListCommand() { return std::make_unique<ListCommand>(); }

}  // namespace keyloft::cli
