#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unordered_map>
#include <unordered_set>

#include "cli/command.h"
#include "cli/date_order.h"
#include "cli/entry_options.h"
#include "cli/exit_codes.h"
#include "cli/import_formats.h"
#include "cli/import_pass.h"
#include "cli/import_rows.h"
#include "cli/text.h"
#include "store/entry.h"
#include "store/expiry_date.h"

namespace keyloft::cli {
namespace {

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The category each typed name stands for, found in one look: the category of exactly that
// name, else the first whose name differs only in letter case (as StoredCategoryName finds it).
class CategoryIndex {
  public:
    explicit CategoryIndex(const CategoryList& categories) {
        for (const CategoryList::Item& item : categories.items()) remember(item.name());
    }
    // The stored name; nothing when no category has that name in any letter case.
    std::optional<std::u16string> find(const std::u16string& name) const {
        if (name.empty() || name == kNoneCategory) return std::u16string();
        if (exact_.count(name) != 0) return name;
        if (const auto folded = byFoldedName_.find(FoldCase(name)); folded != byFoldedName_.end())
            return folded->second;
        return std::nullopt;
    }
    void remember(const std::u16string& name) {
        exact_.insert(name);
        byFoldedName_.emplace(FoldCase(name), name);
    }

  private:
    std::unordered_set<std::u16string> exact_;
    std::unordered_map<std::u16string, std::u16string> byFoldedName_;
};

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
        // (or, with --skip-invalid, every row not refused) made it. A row equal in every field to
        // an entry the profile already held is skipped, so importing a file twice changes nothing.
        Profile& profile = session.profile();
        CategoryIndex categories(profile.categories);
        const std::unordered_set<std::u16string> held(profile.entries.begin(), profile.entries.end());
        Counts counts;
        std::vector<std::string> refused, filledIn;
        const RowSink addEach = [&](ImportRow&& row) {
            std::u16string refusal;
            switch (addRow(profile, categories, held, row, counts.newCategories, refusal)) {
                case RowOutcome::Added:
                    ++counts.added;
                    if (row.userCodeFilledIn) filledIn.push_back(row.where);
                    break;
                case RowOutcome::Duplicate:
                    ++counts.duplicates;
                    break;
                case RowOutcome::Refused: {
                    std::string reason = ToUtf8(TrimBlanks(refusal));
                    std::replace(reason.begin(), reason.end(), '\n', ' ');  // one line per row
                    refused.push_back(row.where + ": " + reason);
                    break;
                }
            }
        };
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
            Console::printError("keyloft-cli: cannot import: " + *table.error);
            return kExitFailure;
        }
        if (!table.ignoredColumns.empty()) {
            std::string names;
            for (const std::string& name : table.ignoredColumns) names += (names.empty() ? "" : ", ") + name;
            Console::printError("keyloft-cli: ignored " + std::string(json ? "keys" : "columns") + ": " +
                                names);
        }

        for (const std::string& line : refused)
            Console::printError("keyloft-cli: " + line + (skipInvalid_ ? " (skipped)" : ""));
        if (!refused.empty() && !skipInvalid_) {
            Console::printError("keyloft-cli: nothing imported: " + Counted(refused.size(), "row", "rows") +
                                " refused (--skip-invalid imports the rest)");
            return kExitFailure;
        }
        for (const std::string& where : filledIn)
            Console::printError("keyloft-cli: " + where + ": no user code; stored as \"(no user code)\"");
        if (counts.added > 0 || counts.newCategories > 0) {
            if (const int code = session.save(); code != kExitOk) return code;
        }
        std::string result = "Imported " + Counted(counts.added, "entry", "entries") + " and " +
                             Counted(counts.newCategories, "new category", "new categories");
        if (!filledIn.empty())
            result += "; " + std::to_string(filledIn.size()) + " completed with a placeholder";
        if (counts.duplicates > 0)
            result += "; " + std::to_string(counts.duplicates) + " skipped as duplicates";
        if (!refused.empty()) result += "; " + std::to_string(refused.size()) + " refused";
        PrintOut(result + ".\n");
        return kExitOk;
    }

  private:
    // Bytes of the largest file import reads: far beyond any export of a few thousand entries, and
    // what it costs in memory stays a small multiple of it.
    static constexpr std::size_t kMaxImportBytes = std::size_t{64} << 20;

    static bool readFile(const std::string& path, std::string& text) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            Console::printError("keyloft-cli: cannot read \"" + path + "\"");
            return false;
        }
        return readLimited(in, "\"" + path + "\"", text);
    }

    // Reads to the end, refusing more than kMaxImportBytes before it has been read.
    static bool readLimited(std::istream& in, const std::string& what, std::string& text) {
        char buffer[1 << 16];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            const auto n = static_cast<std::size_t>(in.gcount());
            if (text.size() + n > kMaxImportBytes) {
                Console::printError("keyloft-cli: cannot import " + what + ": it is larger than " +
                                    std::to_string(kMaxImportBytes >> 20) +
                                    " MiB; import it in parts of that size or less");
                return false;
            }
            text.append(buffer, n);
        }
        if (in.bad()) {
            Console::printError("keyloft-cli: cannot read " + what);
            return false;
        }
        return true;
    }

    struct Counts {
        std::size_t added = 0, newCategories = 0, duplicates = 0;
    };
    enum class RowOutcome { Added, Duplicate, Refused };

    // Checks one row as the entry editor and the category view would, and adds it (with its
    // category when the profile has none of that name) unless the profile held it already.
    static RowOutcome addRow(Profile& profile, CategoryIndex& categories,
                             const std::unordered_set<std::u16string>& held, const ImportRow& row,
                             std::size_t& newCategories, std::u16string& refusal) {
        if (row.fault) {
            refusal = FromUtf8Lenient(*row.fault);
            return RowOutcome::Refused;
        }
        Entry typed = row.fields;
        const std::u16string category(TrimBlanks(row.fields.category));
        const std::optional<std::u16string> existing = categories.find(category);
        if (!existing) {
            // No category of that name in any letter case: only the name itself is checked.
            if (auto problem = CheckCategoryNameText(category)) {
                refusal = *problem;
                return RowOutcome::Refused;
            }
        }
        typed.category = existing ? *existing : category;
        static const ExpiryDateReader dates(DateOrderFromEnvironment());
        const EntryCheck check = CheckEntry(typed, typed.password, dates);
        if (!check.accepted()) {
            refusal = check.message;
            return RowOutcome::Refused;
        }
        std::u16string record = check.stored.toRecord();
        if (held.count(record) != 0) return RowOutcome::Duplicate;
        if (!existing) {
            AddNewCategory(profile.categories, category);
            categories.remember(category);
            ++newCategories;
        }
        profile.entries.push_back(std::move(record));
        return RowOutcome::Added;
    }

    std::string name_;
    std::string format_ = "auto";
    std::optional<std::string> file_;
    bool skipInvalid_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace keyloft::cli
