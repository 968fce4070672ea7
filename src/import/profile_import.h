#pragma once
// Adding the rows of an import to a profile's entries and categories, with the checks of the entry
// editor and the category view: what `keyloft-cli import` and the window's Import… both do. A row
// equal in every field to an entry the profile held before the import is skipped, so importing a
// file twice changes nothing; a category the profile has under no letter case is created.

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "import/import_rows.h"
#include "store/expiry_date.h"
#include "store/profile.h"

namespace keyloft {

// Bytes of the largest file an import reads: far beyond any export of a few thousand entries, and
// what it costs in memory stays a small multiple of it.
inline constexpr std::size_t kMaxImportBytes = std::size_t{64} << 20;

enum class ImportTextRead { Read, TooLarge, Failed };
// Reads to the end into `text`, refusing more than kMaxImportBytes before it has been read.
ImportTextRead ReadImportText(std::istream& in, std::string& text);
// "it is larger than 64 MiB; import it in parts of that size or less"
std::string TooLargeToImportReason();

struct ImportSummary {
    std::size_t added = 0;
    std::size_t newCategories = 0;
    std::size_t duplicates = 0;
    std::vector<std::string> filledIn;  // where each added row got the placeholder user code
    std::vector<std::string> refused;   // "line 6: <reason>", one line each

    // "Imported 3 entries and 1 new category; 1 completed with a placeholder; 1 skipped as
    // duplicates; 1 refused."
    std::string text() const;
};

// "3 entries", "1 entry".
std::string Counted(std::size_t n, const char* one, const char* many);

class ProfileImport {
  public:
    // A dry run checks and counts every row as the import would, and changes neither list.
    ProfileImport(CategoryList& categories, std::vector<std::u16string>& entries,
                  const ExpiryDateReader& dates, bool dryRun = false);

    // Checks one row and adds it (with its category when the profile has none of that name)
    // unless it is refused or the profile held it already.
    void add(const ImportRow& row);
    const ImportSummary& summary() const { return summary_; }

  private:
    // The stored name of a category typed as `name`: exactly that name, else the first whose name
    // differs only in letter case; nothing when there is none.
    std::optional<std::u16string> storedCategory(const std::u16string& name) const;
    void rememberCategory(const std::u16string& name);
    void refuse(const ImportRow& row, std::u16string_view reason);

    CategoryList& categories_;
    std::vector<std::u16string>& entries_;
    const ExpiryDateReader& dates_;
    bool dryRun_;
    std::unordered_set<std::u16string> held_;  // the entries' records before the import
    std::unordered_set<std::u16string> categoryNames_;
    std::unordered_map<std::u16string, std::u16string> categoryByFoldedName_;
    ImportSummary summary_;
};

}  // namespace keyloft
