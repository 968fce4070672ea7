#include <algorithm>
#include <fstream>
#include <iostream>
#include <unordered_map>
#include <unordered_set>

#include "cli/command.h"
#include "cli/date_order.h"
#include "cli/entry_options.h"
#include "cli/exit_codes.h"
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
            "Add the entries of a file to a profile, in one save: Keyloft's own JSON or CSV export, or CSV\n"
            "with a header row from another password manager (Group/folder/category, Title/name/description,\n"
            "Username/login_username/userCode, Password/login_password, Notes, URL/login_uri/webSite, email,\n"
            "expiryDate; matched ignoring case). Missing categories are created. A row refused by the\n"
            "entry checks stops the import before anything is saved, unless --skip-invalid is given.");
        AddProfileName(*command, name_);
        command->add_option("--format", format_, "csv (UTF-8, RFC 4180, with a header row) or json")
            ->required()
            ->check(CLI::IsMember({"csv", "json"}));
        command->add_option("FILE", file_, "File to read (default: standard input, after the logon details)");
        command->add_flag("--skip-invalid", skipInvalid_, "Import the valid rows and report the refused ones");
        return command;
    }

    int run(const GlobalOptions& options, Console& console) override {
        std::string text;
        if (file_ && !readFile(*file_, text)) return kExitFailure;
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        if (!file_ && !readLimited(std::cin, "standard input", text)) return kExitFailure;

        // Each row is checked and added as soon as it is read; nothing is saved unless every row
        // (or, with --skip-invalid, every row not refused) made it.
        Profile& profile = session.profile();
        CategoryIndex categories(profile.categories);
        std::size_t added = 0, newCategories = 0;
        std::vector<std::string> refused;
        const RowSink addEach = [&](ImportRow&& row) {
            if (const std::optional<std::u16string> refusal = addRow(profile, categories, row, newCategories)) {
                std::string reason = ToUtf8(TrimBlanks(*refusal));
                std::replace(reason.begin(), reason.end(), '\n', ' ');  // one line per row
                refused.push_back(row.where + ": " + reason);
            } else {
                ++added;
            }
        };
        const ImportTable table = format_ == "json" ? ReadJsonRows(text, addEach) : ReadCsvRows(text, addEach);
        if (table.error) {
            Console::printError("keyloft-cli: cannot import: " + *table.error);
            return kExitFailure;
        }
        if (!table.ignoredColumns.empty()) {
            std::string names;
            for (const std::string& name : table.ignoredColumns) names += (names.empty() ? "" : ", ") + name;
            Console::printError("keyloft-cli: ignored " + std::string(format_ == "json" ? "keys" : "columns") +
                                ": " + names);
        }

        for (const std::string& line : refused)
            Console::printError("keyloft-cli: " + line + (skipInvalid_ ? " (skipped)" : ""));
        if (!refused.empty() && !skipInvalid_) {
            Console::printError("keyloft-cli: nothing imported: " + Counted(refused.size(), "row", "rows") +
                                " refused (--skip-invalid imports the rest)");
            return kExitFailure;
        }
        if (added > 0 || newCategories > 0) {
            if (const int code = session.save(); code != kExitOk) return code;
        }
        std::string result = "Imported " + Counted(added, "entry", "entries") + " and " +
                             Counted(newCategories, "new category", "new categories");
        if (!refused.empty()) result += "; skipped " + Counted(refused.size(), "row", "rows");
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

    // Checks one row as the entry editor and the category view would, and adds it (with its
    // category when the profile has none of that name). The refusal when it fails a check.
    static std::optional<std::u16string> addRow(Profile& profile, CategoryIndex& categories, const ImportRow& row,
                                                std::size_t& newCategories) {
        if (row.fault) return FromUtf8Lenient(*row.fault);
        Entry typed = row.fields;
        const std::u16string category(TrimBlanks(row.fields.category));
        const std::optional<std::u16string> existing = categories.find(category);
        if (!existing) {
            // No category of that name in any letter case: only the name itself is checked.
            if (auto refusal = CheckCategoryNameText(category)) return refusal;
        }
        typed.category = existing ? *existing : category;
        static const ExpiryDateReader dates(DateOrderFromEnvironment());
        const EntryCheck check = CheckEntry(typed, typed.password, dates);
        if (!check.accepted()) return check.message;
        if (!existing) {
            AddNewCategory(profile.categories, category);
            categories.remember(category);
            ++newCategories;
        }
        profile.entries.push_back(check.stored.toRecord());
        return std::nullopt;
    }

    std::string name_;
    std::string format_;
    std::optional<std::string> file_;
    bool skipInvalid_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeImportCommand() { return std::make_unique<ImportCommand>(); }

}  // namespace keyloft::cli
