#pragma once
// What the JSON readers of other programs' exports share (Bitwarden, Proton Pass, 1Password).

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "import/import_rows.h"

namespace keyloft {

using Json = nlohmann::json;

// A string as it is, null as nothing, anything else as its JSON text.
std::u16string JsonText(const Json& value);
// Not null, not an empty string, array or object, not false.
bool JsonPresent(const Json& value);
// Every value below `value` to the notes, each scalar as a line "name: value", the names of
// nested objects joined with "." ("address.city: Paris"); arrays give one line per element.
void NoteJson(RowBuilder& row, const std::string& name, const Json& value);
// The member `key` of an object, or null.
const Json& Member(const Json& object, std::string_view key);

// Seconds since 1970 (UTC) as yyyy-MM-dd.
std::u16string DateOfUnixTime(std::int64_t seconds);

// The readers parse with a callback that turns each item into a row as soon as it is read and
// throws it away, so that what they hold stays small whatever the file holds:
// - the rows that wait for their group names, and those names, at most kMaxImportRows each (a
//   callback throws TooManyRows past them);
// - the values of one item, at most kMaxItemValues (ItemBudget): the rest of an item that holds
//   more is not kept, and the item is refused;
// - nothing else: a callback drops every value it does not need.
inline constexpr std::size_t kMaxItemValues = 100000;
struct TooManyRows {};

class ItemBudget {
  public:
    void start() { count_ = 0; }
    // Whether to keep one more value of the item.
    bool keep() { return ++count_ <= kMaxItemValues; }
    // Refuses the item's row when values were dropped.
    void check(RowBuilder& row) const {
        if (count_ > kMaxItemValues)
            row.setFault("it holds more than " + std::to_string(kMaxItemValues) +
                         " values, more than an entry can hold");
    }

  private:
    std::size_t count_ = 0;
};

// Parses `text` with `callback` into `document`; the reason when it is no JSON or holds more than
// the limits.
std::optional<std::string> ParseJsonExport(std::string_view text, const Json::parser_callback_t& callback,
                                           Json& document);

}  // namespace keyloft
