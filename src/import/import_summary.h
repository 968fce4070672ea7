#pragma once
// What `keyloft-cli import` and the window's Import… tell about an import: the rows read, checked
// and added by the store's EntryImport (store/entry_import.h), counted and named for the user. A
// dry run of EntryImport gives the window's preview the same counts without changing anything.

#include <cstddef>
#include <string>
#include <vector>

#include "import/import_rows.h"
#include "store/entry_import.h"

namespace keyloft {

// Every row read ends in one of: imported (some of them completed with the placeholder user
// code), skipped as a duplicate, refused.
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
// The same as UTF-16, for the window.
std::u16string CountedText(std::size_t n, const char* one, const char* many);

// Hands one row to `import` (a row that could not be read is refused with its fault) and counts
// what became of it into `summary`. Another program's expiry date that is no date goes to the
// notes (ImportRow::expiryName) and the row is checked again without it.
void ImportRowInto(EntryImport& import, const ImportRow& row, ImportSummary& summary);

}  // namespace keyloft
