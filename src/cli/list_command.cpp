#include "cli/command.h"
#include "cli/date_order.h"
#include "cli/entry_output.h"
#include "cli/exit_codes.h"
#include "store/clock.h"
#include "store/entry_search.h"
#include "store/expiry_date.h"

namespace keyloft::cli {
namespace {

class ListCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "ls",
            "List the entries of a profile with their rows (passwords masked; tab-separated). The \"!\" "
            "column\n"
            "marks entries that expire within 7 days or have expired (\"expiresSoon\" in JSON).");
        AddProfileName(*command, name_);
        command->add_option("--category", category_, "Only entries of exactly this category")
            ->check(Utf8Text());
        command
            ->add_option("--search", search_,
                         "Only entries whose description, user code, notes, web site, e-mail or category\n"
                         "contains this text, letter case and accents aside")
            ->check(Utf8Text());
        command->add_flag("--expiring", expiring_, "Only entries that expire within 7 days or have expired");
        command->add_flag("--json", json_, "One JSON object per entry, in an array");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const std::optional<std::u16string> category =
            category_ ? std::optional(FromArgument(*category_)) : std::nullopt;
        const EntrySearch search(search_ ? FromArgument(*search_) : std::u16string());
        const ExpiryDateReader dates(DateOrderFromEnvironment());
        const LocalTime now = SystemClock().now();
        const CalendarDate today{now.year, now.month, now.day};

        std::string text = json_ ? std::string() : ListHeader();
        const auto& entries = session.profile().entries;
        text.reserve(text.size() + entries.size() * (json_ ? 256 : 128));
        for (std::size_t row = 1; row <= entries.size(); ++row) {
            const Entry& entry = entries[row - 1];
            if (category && entry.category != *category) continue;
            if (!search.matches(entry)) continue;
            const bool due = dates.isDue(entry.expiryDate, today);
            if (expiring_ && !due) continue;
            if (json_)
                AppendListJson(text, row, entry, due);
            else
                AppendListRow(text, row, entry, due);
        }
        if (json_) text += text.empty() ? "[]\n" : "\n]\n";
        PrintOut(text);
        return kExitOk;
    }

  private:
    std::string name_;
    std::optional<std::string> category_;
    std::optional<std::string> search_;
    bool expiring_ = false;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeListCommand() { return std::make_unique<ListCommand>(); }

}  // namespace keyloft::cli
