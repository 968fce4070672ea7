#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/command.h"
#include "cli/date_order.h"
#include "cli/entry_options.h"
#include "cli/exit_codes.h"
#include "import/import_formats.h"
#include "import/import_pass.h"
#include "import/import_rows.h"
#include "import/import_summary.h"
#include "store/entry.h"
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
            "(--format auto) or named: KeePassXC, Bitwarden (CSV or unencrypted JSON), Chrome, Firefox and\n"
            "1Password CSV exports, Keyloft's own CSV or JSON export, or a pass password-store folder.\n"
            "Fields Keyloft has no place for go to the notes as \"name: value\" lines; an entry without a "
            "user\n"
            "code gets \"(no user code)\"; entries already in the profile are skipped. Missing categories "
            "are\n"
            "created. A row that cannot be stored stops the import before anything is saved, unless\n"
            "--skip-invalid is given.");
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
        // --- format: a password store is read through pass before the logon (gpg may ask for
        // its own passphrase); a file's text is read whole and its format recognised.
        ImportFormat format = ImportFormatFromName(format_).value_or(ImportFormat::Auto);
        std::error_code notFolder;
        if (format == ImportFormat::Auto && file_ &&
            std::filesystem::is_directory(PathFromUtf8(*file_), notFolder))
            format = ImportFormat::Pass;
        std::vector<ImportRow> storeRows;
        std::string text;
        if (format == ImportFormat::Pass) {
            if (!file_) {
                Console::printError("keyloft-cli: import --format pass needs the password-store folder");
                return kExitUsage;
            }
            const ImportTable store =
                ReadPassRows(PathFromUtf8(*file_), [&](ImportRow&& r) { storeRows.push_back(std::move(r)); });
            if (store.error) {
                Console::printError("keyloft-cli: cannot import: " + *store.error);
                return kExitFailure;
            }
        } else if (file_ && !readFile(*file_, text)) {
            return kExitFailure;
        }
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        if (!file_ && !readLimited(std::cin, "standard input", text)) return kExitFailure;

        // Each row is checked and added as soon as it is read; nothing is saved unless every row
        // (or, with --skip-invalid, every row not refused) made it.
        static const ExpiryDateReader dates(DateOrderFromEnvironment());
        EntryImport import(session.store(), dates);
        ImportSummary summary;
        const RowSink addEach = [&](ImportRow&& row) { ImportRowInto(import, row, summary); };
        const bool json = format == ImportFormat::Pass ? false : [&] {
            format = RecogniseFormat(format, text);
            return format == ImportFormat::KeyloftJson || format == ImportFormat::BitwardenJson;
        }();
        ImportTable table;
        if (format == ImportFormat::Pass) {
            for (ImportRow& row : storeRows) addEach(std::move(row));
        } else {
            table = ReadImportRows(format, text, addEach);
        }
        if (table.error) {
            import.abandon();
            Console::printError("keyloft-cli: cannot import: " + *table.error);
            return kExitFailure;
        }
        if (!table.ignoredColumns.empty()) {
            std::string names;
            for (const std::string& name : table.ignoredColumns) names += (names.empty() ? "" : ", ") + name;
            Console::printError("keyloft-cli: ignored " + std::string(json ? "keys" : "columns") + ": " +
                                names);
        }

        for (const std::string& line : summary.refused)
            Console::printError("keyloft-cli: " + line + (skipInvalid_ ? " (skipped)" : ""));
        if (!summary.refused.empty() && !skipInvalid_) {
            import.abandon();
            Console::printError(
                "keyloft-cli: nothing imported: " + Counted(summary.refused.size(), "row", "rows") +
                " refused (--skip-invalid imports the rest)");
            return kExitFailure;
        }
        for (const std::string& where : summary.filledIn)
            Console::printError("keyloft-cli: " + where + ": no user code; stored as \"(no user code)\"");
        if (import.changed()) {
            if (const int code = session.save(); code != kExitOk) return code;
        }
        PrintOut(summary.text() + "\n");
        return kExitOk;
    }

  private:
    static bool readFile(const std::string& path, std::string& text) {
        std::ifstream in(PathFromUtf8(path), std::ios::binary);
        if (!in) {
            Console::printError("keyloft-cli: cannot read \"" + path + "\"");
            return false;
        }
        return readLimited(in, "\"" + path + "\"", text);
    }

    static bool readLimited(std::istream& in, const std::string& what, std::string& text) {
        switch (ReadImportText(in, text)) {
            case ImportTextRead::Read:
                return true;
            case ImportTextRead::TooLarge:
                Console::printError("keyloft-cli: cannot import " + what + ": " + TooLargeToImportReason());
                return false;
            case ImportTextRead::Failed:
                break;
        }
        Console::printError("keyloft-cli: cannot read " + what);
        return false;
    }

    std::string name_;
    std::string format_ = "auto";
    std::optional<std::string> file_;
    bool skipInvalid_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace keyloft::cli
