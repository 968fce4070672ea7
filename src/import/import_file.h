#pragma once
// What keyloft-cli import and the window's Import… read, before any profile is touched: a file (or
// standard input, or a password-store folder) read to its end within the limits of
// import_limits.h, its kind told by its content (a ZIP archive, a KeePass database, XML, JSON, CSV)
// and its format by its structure or header row (or named), and its rows kept for the import.

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_formats.h"
#include "import/import_rows.h"

namespace keyloft {

struct ImportFile {
    ImportFormat format = ImportFormat::Auto;  // as read
    bool inZip = false;                        // the export came in a ZIP archive
    std::vector<ImportRow> rows;               // in the order read
    std::vector<std::u16string> emptyGroups;   // groups holding no entry, added as categories
    std::vector<std::string> ignored;          // the other program's bookkeeping dropped, once each
    std::vector<std::string> parts;            // the files of an archive read: "credentials.csv: 3"
    std::optional<std::string> error;          // it cannot be imported: what it is and what to do

    // What it was read as: "Proton Pass CSV: 3 entries", "Dashlane ZIP: 10 entries
    // (credentials.csv: 3, ids.csv: 5, payments.csv: 2)".
    std::string readAs() const;
    bool keys() const;  // the dropped names are keys or elements (JSON, XML), not columns
};

// A file, or a folder (a password store, read with Pass or Auto).
ImportFile ReadImportPath(const std::filesystem::path& path, ImportFormat asked);
// Standard input, to its end.
ImportFile ReadImportStream(std::istream& in, ImportFormat asked);
// The bytes of a file.
ImportFile ReadImportBytes(std::string_view bytes, ImportFormat asked);

}  // namespace keyloft
