#pragma once
// The CSV formats of import_formats.h: recognised by the names in their header row, read row by
// row (import_csv.cpp).

#include <string>
#include <string_view>

#include "import/import_formats.h"

namespace keyloft {

// The CSV format whose header row the text starts with; OtherCsv when none is known.
ImportFormat RecogniseCsv(std::string_view text);

// Reads the text as `format` (a CSV format; Dashlane's file is told by its columns).
ImportTable ReadCsvRows(ImportFormat format, std::string_view text, const std::string& where,
                        const RowSink& onRow);

}  // namespace keyloft
