#pragma once
// What the JSON readers of other programs' exports share (Bitwarden, Proton Pass, 1Password).

#include <cstdint>
#include <nlohmann/json.hpp>
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

}  // namespace keyloft
