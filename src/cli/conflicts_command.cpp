// `conflicts` and `merge`: the copies a file-sync engine left of a profile when two machines
// changed it at once, and bringing what only they hold back into the profile.
#include <algorithm>
#include <iostream>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/store_outcomes.h"
#include "import/import_summary.h"
#include "store/conflict_copies.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

// One copy of a plan; `first` is whether it is the first copy that adds anything.
std::string Describe(const ConflictCopyInfo& copy, bool first = true) {
    if (!copy.problem.empty())
        return Utf16ToUtf8(copy.fileName) + ": cannot be merged: " + Utf16ToUtf8(copy.problem);
    std::string text = Utf16ToUtf8(copy.fileName) + ": " + Counted(copy.newEntries, "entry", "entries") +
                       " and " + Counted(copy.newCategories, "category", "categories") +
                       (first ? " not in the profile" : " in neither the profile nor the copies above");
    if (copy.unproven) text += "; merge asks first: " + Utf16ToUtf8(kCopyUnprovenText);
    return text;
}

// Asks whether the copies that nothing shows to be of this profile are merged as well, and takes
// them into the plan on Yes.
void AskAboutUnprovenCopies(Session& session, ConflictMerge& merge) {
    if (merge.unprovenCopies() == 0) return;
    std::vector<std::u16string> names;
    for (const ConflictCopyInfo& copy : merge.copies())
        if (copy.unproven) names.push_back(copy.fileName);
    MessageRequest question;
    question.text = UnprovenCopiesQuestion(names);
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::No;
    question.question = Question::MergeUnprovenCopies;
    if (session.host().showMessage(question) == MessageAnswer::Yes)
        session.store().edits().includeUnprovenCopies(merge);
}

class ConflictsCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "conflicts",
            "List the conflict copies that a file-sync engine left of a profile (or of every profile), with\n"
            "what each adds that the profile and the copies above it do not hold. Needs the logon of each\n"
            "profile listed.");
        command->add_option("NAME", name_, "Profile (default: every profile that has copies)")
            ->check(Utf8Text());
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        std::vector<std::u16string> names;
        if (name_) {
            names.push_back(FromArgument(*name_));
        } else {
            Session lister(options, console);
            if (const int code = lister.settleFolder(); code != kExitOk) return code;
            names = lister.store().folder().profilesWithConflictCopies();
        }
        int status = kExitOk;
        for (const std::u16string& name : names) {
            Session session(options, console);
            if (const int code = session.openAndLogOn(name); code != kExitOk) {
                status = code;
                continue;
            }
            // What `merge` adds once the user says yes to every copy it asks about.
            ConflictMerge merge = session.store().edits().readConflictCopies();
            session.store().edits().includeUnprovenCopies(merge);
            session.store().open().closeHeldFile();
            if (merge.copies().empty()) PrintOut(Utf16ToUtf8(name) + ": no conflict copies\n");
            bool first = true;
            for (const ConflictCopyInfo& copy : merge.copies()) {
                PrintOut(Describe(copy, first) + "\n");
                first = first && !copy.problem.empty();
            }
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
            "Merge conflict copies into the profile: every entry of a copy that is not equal in all fields "
            "to\n"
            "an entry of the profile or of a copy before it is added, and every category it lacks; one "
            "save,\n"
            "then the merged copies are removed. A copy that cannot be read with the profile's logon, or "
            "that\n"
            "is a copy of another profile, is left alone; one that nothing shows to be a copy of this "
            "profile\n"
            "is merged only when you say so (--yes). A profile that went back to an older version beside a\n"
            "conflict copy of the newer one is opened for the merge.");
        AddProfileName(*command, name_);
        command->add_option("COPY", copies_, "File names of the copies to merge (default: all)")
            ->check(Utf8Text());
        command->add_flag("--dry-run", dryRun_, "Show what would be added; change nothing");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        session.host().answerYes(Question::OpenRolledBackProfile, "merge opens it to merge the copies");
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        std::vector<std::u16string> wanted;
        for (const std::string& copy : copies_) wanted.push_back(FromArgument(copy));
        ConflictMerge merge = session.store().edits().readConflictCopies(wanted);
        for (const std::u16string& copy : wanted) {
            if (std::none_of(merge.copies().begin(), merge.copies().end(),
                             [&](const ConflictCopyInfo& info) { return info.fileName == copy; })) {
                Console::printError("keyloft-cli: " + Utf16ToUtf8(copy) +
                                    " is not a conflict copy of this profile");
                return kExitFailure;
            }
        }
        AskAboutUnprovenCopies(session, merge);
        std::vector<ConflictCopyInfo> leftAlone;
        std::size_t entries = merge.entriesAdded(), categories = merge.categoriesAdded(), merged = 0;
        if (dryRun_) {
            for (const ConflictCopyInfo& copy : merge.copies())
                if (!copy.problem.empty()) leftAlone.push_back(copy);
        } else {
            const MergeResult result = session.store().edits().mergeConflictCopies(merge);
            if (!result.save.saved()) {
                const SaveResult save = session.answered(result.save);
                for (const ConflictCopyInfo& copy : result.leftAlone)
                    Console::printError("keyloft-cli: " + Describe(copy));
                PrintReport(save.report);
                Console::printError("keyloft-cli: nothing was merged");
                return ExitCodeFor(save.outcome);
            }
            leftAlone = result.leftAlone;
            entries = result.entriesAdded;
            categories = result.categoriesAdded;
            merged = result.merged.size();
        }
        for (const ConflictCopyInfo& copy : leftAlone) Console::printError("keyloft-cli: " + Describe(copy));
        std::string summary = (dryRun_ ? "Would add " : "Added ") + Counted(entries, "entry", "entries") +
                              " and " + Counted(categories, "category", "categories");
        if (!dryRun_) summary += "; merged and removed " + Counted(merged, "copy", "copies");
        if (!leftAlone.empty()) summary += "; left " + Counted(leftAlone.size(), "copy", "copies");
        PrintOut(summary + ".\n");
        return leftAlone.empty() ? kExitOk : kExitFailure;
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
