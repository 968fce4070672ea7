#include <iostream>

#include "cli/command.h"
#include "cli/date_order.h"
#include "cli/entry_options.h"
#include "cli/exit_codes.h"
#include "import/import_file.h"
#include "import/import_run.h"
#include "store/expiry_date.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

class ImportCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "import",
            "Add the entries of a file to a profile, in one save. The format is recognised from the file\n"
            "(--format auto) or named: KeePassXC (CSV or KeePass 2 XML), Bitwarden (CSV or unencrypted\n"
            "JSON), Chrome, Firefox, 1Password (CSV or .1pux), Proton Pass (CSV, or the JSON of its ZIP),\n"
            "Dashlane (its CSV files or their ZIP), LastPass CSV, Keyloft's own CSV or JSON export, any\n"
            "other CSV (columns matched by their names), or a pass password-store folder. Fields Keyloft "
            "has\n"
            "no place for go to the notes as \"name: value\" lines; an entry without a user code gets\n"
            "\"(no user code)\"; entries already in the profile, or twice in the file, are skipped. Missing\n"
            "categories are created. A row that cannot be stored stops the import before anything is\n"
            "saved, unless --skip-invalid is given.");
        AddProfileName(*command, name_);
        command
            ->add_option("--format", format_,
                         "auto (default), or the format's name; csv and json: any CSV or JSON format")
            ->check(CLI::IsMember(ImportFormatNames()));
        command->add_option(
            "FILE", file_,
            "File to read (default: standard input, after the logon details); for pass, the folder");
        command->add_flag("--skip-invalid", skipInvalid_,
                          "Import the valid rows and report the refused ones");
        return command;
    }

    int run(const GlobalOptions& options, Console& console) override {
        // A file (or a password store, through pass: gpg may ask for its own passphrase) is read
        // before the logon; standard input after it, as the logon details come first there.
        const ImportFormat format = ImportFormatFromName(format_).value_or(ImportFormat::Auto);
        if (format == ImportFormat::Pass && !file_) {
            Console::printError("keyloft-cli: import --format pass needs the password-store folder");
            return kExitUsage;
        }
        const std::string what = file_ ? "\"" + *file_ + "\"" : "standard input";
        ImportFile file;
        if (file_) {
            file = ReadImportPath(PathFromUtf8(*file_), format);
            if (file.error) return refuse(what, file);
        }
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        if (!file_) {
            file = ReadImportStream(std::cin, format);
            if (file.error) return refuse(what, file);
        }
        if (!file.ignored.empty()) {
            std::string names;
            for (const std::string& name : file.ignored) names += (names.empty() ? "" : ", ") + name;
            Console::printError("keyloft-cli: ignored " + std::string(file.keys() ? "keys" : "columns") +
                                ": " + names);
        }
        PrintOut("Read as " + file.readAs() + ".\n");

        // Nothing is saved unless every row (or, with --skip-invalid, every row not refused) made it.
        static const ExpiryDateReader dates(DateOrderFromEnvironment());
        // The rows' refusals and placeholders are told once; an attempt made again on another
        // user's version that refuses rows the first did not stops as the first would have.
        bool told = false;
        const auto proceed = [&](const ImportSummary& summary) {
            const bool first = !std::exchange(told, true);
            const bool stop = !summary.refused.empty() && !skipInvalid_;
            if (first || stop) {
                for (const std::string& line : summary.refused)
                    Console::printError("keyloft-cli: " + line + (skipInvalid_ ? " (skipped)" : ""));
            }
            if (stop) {
                Console::printError(
                    "keyloft-cli: nothing imported: " + Counted(summary.refused.size(), "row", "rows") +
                    " refused (--skip-invalid imports the rest)");
                return false;
            }
            if (first) {
                for (const std::string& where : summary.filledIn)
                    Console::printError("keyloft-cli: " + where +
                                        ": no user code; stored as \"(no user code)\"");
            }
            return true;
        };
        int attempts = 0, code = kExitOk;
        const auto report = [&](const SaveResult& asked) {
            const SaveResult result = session.answered(asked);
            code = session.reportSave(result, ++attempts < kImportSaveAttempts);
            return code == kExitEndedAtOnce ? SaveOutcome::Failed : result.outcome;
        };
        const ImportSaving saving = SaveImport(session.store().edits(), dates, file, proceed, report);
        if (saving.withheld) return kExitFailure;
        if (saving.outcome != SaveOutcome::Saved) return code;
        PrintOut(saving.summary.text() + "\n");
        return kExitOk;
    }

  private:
    static int refuse(const std::string& what, const ImportFile& file) {
        Console::printError("keyloft-cli: cannot import " + what + ": " + *file.error);
        return kExitFailure;
    }

    std::string name_;
    std::string format_ = "auto";
    std::optional<std::string> file_;
    bool skipInvalid_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace keyloft::cli
