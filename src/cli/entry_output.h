#pragma once
// How entries are printed: a tab-separated list, a labelled block, JSON objects and CSV rows.

#include <nlohmann/json.hpp>

#include <string>

#include "store/entry.h"

namespace keyloft::cli {

inline constexpr char kPasswordMask[] = "**********";

enum class PasswordShown { Masked, Clear };

// One cell of the tab-separated list: tabs, line breaks and backslashes written as \t \n \r \\.
std::string EscapeCell(std::u16string_view text);

// The list's columns: the row, "!" when the entry is due (expires within 7 days or has expired),
// then the fields with the password masked.
std::string ListHeader();
void AppendListRow(std::string& out, std::size_t row, const Entry& entry, bool due);
std::string EntryBlock(std::size_t row, const Entry& entry, PasswordShown password);

// {"row", "category", "description", "userCode", ["password",] "notes", "expiryDate", "webSite",
// "email"}, in that order; the password only when shown in clear.
nlohmann::ordered_json EntryJson(std::size_t row, const Entry& entry, PasswordShown password);
// The list's JSON, written as EntryJson's masked objects with "expiresSoon" added would be dumped
// in an array with an indent of 2, one object at a time: each call adds one (the first to an empty
// `out`); the array is closed with "\n]" after the last, and is "[]" without any.
void AppendListJson(std::string& out, std::size_t row, const Entry& entry, bool due);

// RFC 4180: fields holding a comma, a double quote or a line break are quoted, quotes doubled;
// rows end with CR LF.
std::string CsvField(std::string_view utf8);
std::string CsvHeader();
std::string CsvRow(std::size_t row, const Entry& entry);  // password in clear

// KeePassXC's CSV columns, every field quoted: Group ("Root" and the category's path), Title,
// Username, Password, URL, Notes, TOTP, Icon, Last Modified, Created (the last four empty), then
// Email and Expiry Date, which KeePassXC has no column for and `import` reads back.
std::string KeePassXcCsvHeader();
std::string KeePassXcCsvRow(const Entry& entry);  // password in clear

}  // namespace keyloft::cli
