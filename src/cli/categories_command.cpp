#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/utf8_text.h"
#include "store/entry.h"

namespace keyloft::cli {
namespace {

class CategoriesCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "categories",
            "List the categories, or change them: add C | rm C | rename OLD NEW\n"
            "(names unique ignoring case; entries keep their category text when one is renamed or removed)");
        AddProfileName(*command, name_);
        command->add_option("ACTION", action_, "add C, rm C or rename OLD NEW")->check(Utf8Text());
        return command;
    }

    int run(const GlobalOptions& options, Console& console) override {
        const std::string verb = action_.empty() ? std::string() : action_[0];
        const bool valid = action_.empty() || (verb == "add" && action_.size() == 2) ||
                           (verb == "rm" && action_.size() == 2) || (verb == "rename" && action_.size() == 3);
        if (!valid) {
            Console::printError(
                "keyloft-cli: categories NAME takes no action, add C, rm C or rename OLD NEW "
                "(see keyloft-cli categories --help)");
            return kExitUsage;
        }
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const CategoryList& categories = session.profile().categories;

        if (action_.empty()) {
            for (const Category& category : categories) PrintOut(Utf16ToUtf8(category.name) + "\n");
            return kExitOk;
        }
        ProfileStore& store = session.store();
        if (verb == "add")
            return session.finish(store.edits().addCategory(TrimBlanks(FromArgument(action_[1]))));
        const std::size_t position = Find(categories, action_[1]);
        if (position == 0) return kExitFailure;
        if (verb == "rm") return session.finish(store.edits().removeCategory(position));
        return session.finish(store.edits().renameCategory(position, TrimBlanks(FromArgument(action_[2]))));
    }

  private:
    static std::size_t Find(const CategoryList& categories, const std::string& typed) {
        const std::size_t position = categories.find(TrimBlanks(FromArgument(typed)));
        if (position == 0) Console::printError("keyloft-cli: the profile has no category \"" + typed + "\"");
        return position;
    }

    std::string name_;
    std::vector<std::string> action_;
};

}  // namespace

std::unique_ptr<Command> MakeCategoriesCommand() { return std::make_unique<CategoriesCommand>(); }

}  // namespace keyloft::cli
