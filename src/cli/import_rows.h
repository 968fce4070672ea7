#pragma once
// The entries of a file to import, before the entry checks: Keyloft's own JSON export, or CSV with
// a header row naming Keyloft's own export columns or the columns other password managers write.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/entry.h"

namespace keyloft::cli {

struct ImportRow {
    std::string where;                 // "line 7" (CSV, the row's first line) or "entry 3" (JSON)
    Entry fields;                      // category already reduced to the last part of a group path
    std::optional<std::string> fault;  // a field that is not valid UTF-8 or not a text
};

struct ImportTable {
    std::vector<ImportRow> rows;
    std::vector<std::string> ignoredColumns;  // unknown column names (CSV) or keys (JSON), once each
    std::optional<std::string> error;         // the file cannot be read at all
};

// Hands each row to the caller as soon as it is read: memory holds the text, one row and what the
// caller keeps, and the work grows with the size of the text alone (rows times columns).
using RowSink = std::function<void(ImportRow&&)>;

// CSV, RFC 4180, UTF-8 with an optional byte order mark. Column names are matched ignoring case:
//   category     Group, folder, category        ("Root/Bank/Cards" in Group or folder: "Cards")
//   description  Title, name, description
//   user code    Username, login_username, userCode
//   password     Password, login_password
//   notes        Notes
//   web site     URL, login_uri, webSite
//   e-mail       email
//   expiry date  expiryDate
// Keyloft's own "row" column is known and not used. When two columns name the same field, the
// first one is used and the other is ignored. The rows go to `onRow` (the table's rows stay
// empty); a fault in the text ends the reading with `error` set, after the rows before it.
ImportTable ReadCsvRows(std::string_view text, const RowSink& onRow);

// JSON: an array of objects with the keys of Keyloft's export ("row" is not used). Unknown keys
// are named in the order they first appear. As ReadCsvRows.
ImportTable ReadJsonRows(std::string_view text, const RowSink& onRow);

// The same, with every row kept in the table.
ImportTable RowsFromCsv(std::string_view text);
ImportTable RowsFromJson(std::string_view text);

}  // namespace keyloft::cli
