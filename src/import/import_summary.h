#pragma once
// What `keyloft-cli import` and the window's Import… tell about an import: the rows read, checked
// and added by the store's EntryImport (store/entry_import.h), counted and named for the user. A
// dry run of EntryImport gives the window's preview the same counts without changing anything.

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include "import/import_rows.h"
#include "store/entry_import.h"

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
// The same as UTF-16, for the window.
std::u16string CountedText(std::size_t n, const char* one, const char* many);

// Hands one row to `import` (a row that could not be read is refused with its fault) and counts
// what became of it into `summary`.
void ImportRowInto(EntryImport& import, const ImportRow& row, ImportSummary& summary);

}  // namespace keyloft
