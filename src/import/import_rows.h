#pragma once
// The entries of a file to import, before the entry checks. Each reader turns its format into rows
// of entry fields: the category is the whole group or folder path below the root ("Work/Email"),
// every value Keyloft has no field for is appended to the notes as a "name: value" line, and a row
// without a user code gets a visible placeholder. The formats and their columns: import_formats.h.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "store/entry.h"

namespace keyloft {

// The user code of a row that has none (a secure note, a card without a holder): the profile
// requires one, and this makes the entry easy to find and complete.
inline constexpr char16_t kMissingUserCode[] = u"(no user code)";

struct ImportRow {
    std::string where;  // "line 7" (CSV, the row's first line), "entry 3" (JSON), "Email/alice" (pass)
    Entry fields;       // as it will be checked: notes with the extra lines, the placeholder filled in
    bool userCodeFilledIn = false;  // the user code is kMissingUserCode
    // Another program's expiry date: when it is not a date Keyloft reads, it goes to the notes as
    // "<expiryName>: <text>" and the row is imported without one. Empty: the row is refused then
    // (Keyloft's own exports).
    std::u16string expiryName;
    std::optional<std::string> fault;  // the row cannot be read: a field not valid UTF-8, not a text
};

// What a reader found besides the rows.
struct ImportTable {
    std::vector<std::string> ignoredColumns;  // columns (CSV) or keys (JSON, XML) dropped, once each
    std::vector<std::u16string> emptyGroups;  // groups that hold no entry, as category paths
    std::optional<std::string> error;         // the file cannot be read at all
};

// Hands each row to the caller as soon as it is read: memory holds the text, one row and what the
// caller keeps, and the work grows with the size of the text alone (rows times columns).
using RowSink = std::function<void(ImportRow&&)>;

// Collects the "name: value" lines of a row and completes it for the sink: the lines are added to
// the notes (after a line break when there are notes already), an empty user code is filled in.
// A row with nothing in any field is not passed on (a blank line of a spreadsheet); one that holds
// only the other program's bookkeeping is passed on refused, so that every row read is counted.
class RowBuilder {
  public:
    explicit RowBuilder(std::string where) { row_.where = std::move(where); }
    Entry& fields() { return row_.fields; }
    void addNote(std::u16string_view name, std::u16string_view value);
    void addNoteLines(std::u16string_view lines);  // lines that already read "name: value"
    // A field from a column or key of the other program: set when the field is still empty, else
    // added to the notes (a second user name, a second address), so that no value is lost.
    void setOrNote(std::u16string Entry::*field, std::u16string_view name, std::u16string_view value);
    // Another program's expiry date (see ImportRow::expiryName).
    void setExpiry(std::u16string_view name, std::u16string_view value);
    // A value of the other program's bookkeeping that was dropped (an id, a time stamp).
    void droppedValue(std::string_view name);
    void setFault(std::string fault) {
        if (!row_.fault) row_.fault = std::move(fault);
    }
    void finishInto(const RowSink& onRow);

  private:
    ImportRow row_;
    std::u16string lines_;
    std::string dropped_;  // the names of the dropped values, for a row that holds nothing else
};

// Dropped column names or keys, each named once, in the order they first appear.
class IgnoredNames {
  public:
    explicit IgnoredNames(std::vector<std::string>& names) : names_(names) {}
    void add(const std::string& name) {
        if (seen_.insert(name).second) names_.push_back(name);
    }

  private:
    std::vector<std::string>& names_;
    std::unordered_set<std::string> seen_;
};

// Keyloft's JSON export: an array of objects with the keys of `export --format json` ("row" is
// not used). Other keys go to the notes.
ImportTable ReadKeyloftJsonRows(std::string_view text, const RowSink& onRow);

}  // namespace keyloft
