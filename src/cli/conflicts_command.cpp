// `conflicts` and `merge`: the copies a file-sync engine left of a profile when two machines
// changed it at once, and bringing what only they hold back into the profile.
#include <iostream>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/store_outcomes.h"
#include "import/import_summary.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

std::string Describe(const ConflictCopyInfo& copy) {
    if (!copy.problem.empty())
        return Utf16ToUtf8(copy.fileName) + ": cannot be merged: " + Utf16ToUtf8(copy.problem);
    return Utf16ToUtf8(copy.fileName) + ": " + Counted(copy.newEntries, "entry", "entries") + " and " +
           Counted(copy.newCategories, "category", "categories") + " not in the profile";
}

class ConflictsCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "conflicts",
            "List the conflict copies that a file-sync engine left of a profile (or of every profile), with\n"
            "what each holds that the profile does not. Needs the logon of each profile listed.");
        command->add_option("NAME", name_, "Profile (default: every profile that has copies)")->check(Utf8Text());
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        std::vector<std::u16string> names;
        if (name_) {
            names.push_back(FromArgument(*name_));
        } else {
            Session lister(options, console);
            if (const int code = lister.settleFolder(); code != kExitOk) return code;
            names = lister.store().ProfilesWithConflictCopies();
        }
        int status = kExitOk;
        for (const std::u16string& name : names) {
            Session session(options, console);
            if (const int code = session.openAndLogOn(name); code != kExitOk) {
                status = code;
                continue;
            }
            const std::vector<ConflictCopyInfo> copies = session.store().ConflictCopies();
            session.store().CloseHeldFile();
            if (copies.empty()) PrintOut(Utf16ToUtf8(name) + ": no conflict copies\n");
            for (const ConflictCopyInfo& copy : copies) PrintOut(Describe(copy) + "\n");
        }
        return status;
    }

private:
    std::optional<std::string> name_;
};

class MergeCommand final : public Command {
public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "merge",
            "Merge conflict copies into the profile: every entry of a copy that is not equal in all fields to\n"
            "an entry of the profile is added, and every category it lacks; one save, then the merged copies\n"
            "are removed. A copy that cannot be read with the profile's logon is left alone.");
        AddProfileName(*command, name_);
        command->add_option("COPY", copies_, "File names of the copies to merge (default: all)")->check(Utf8Text());
        command->add_flag("--dry-run", dryRun_, "Show what would be added; change nothing");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        std::vector<std::u16string> wanted;
        for (const std::string& copy : copies_) wanted.push_back(FromArgument(copy));
        if (!wanted.empty()) {
            const std::vector<ConflictCopyInfo> present = session.store().ConflictCopies();
            for (const std::u16string& copy : wanted) {
                if (std::none_of(present.begin(), present.end(),
                                 [&](const ConflictCopyInfo& info) { return info.fileName == copy; })) {
                    Console::printError("keyloft-cli: " + Utf16ToUtf8(copy) +
                                        " is not a conflict copy of this profile");
                    return kExitFailure;
                }
            }
        }
        const MergeResult result = session.store().MergeConflictCopies(wanted, dryRun_);
        for (const ConflictCopyInfo& copy : result.leftAlone) Console::printError("keyloft-cli: " + Describe(copy));
        if (!dryRun_ && !result.save.saved()) {
            PrintReport(result.save.report);
            Console::printError("keyloft-cli: nothing was merged");
            return ExitCodeFor(result.save.outcome);
        }
        std::string summary = (dryRun_ ? "Would add " : "Added ") + Counted(result.entriesAdded, "entry", "entries") +
                              " and " + Counted(result.categoriesAdded, "category", "categories");
        if (!dryRun_) summary += "; merged and removed " + Counted(result.merged.size(), "copy", "copies");
        if (!result.leftAlone.empty()) summary += "; left " + Counted(result.leftAlone.size(), "copy", "copies");
        PrintOut(summary + ".\n");
        return result.leftAlone.empty() ? kExitOk : kExitFailure;
    }

private:
    std::string name_;
    std::vector<std::string> copies_;
    bool dryRun_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeConflictsCommand() { return std::make_unique<ConflictsCommand>(); }
std::unique_ptr<Command> MakeMergeCommand() { return std::make_unique<MergeCommand>(); }

}  // namespace keyloft::cli
