#include "import/import_json.h"

#include <chrono>

#include "import/import_limits.h"
#include "store/utf8_text.h"

namespace keyloft {

std::u16string JsonText(const Json& value) {
    if (value.is_string()) return Utf8ToUtf16(value.get_ref<const std::string&>());
    if (value.is_null()) return {};
    return Utf8ToUtf16(value.dump());
}

bool JsonPresent(const Json& value) {
    if (value.is_null() || (value.is_boolean() && !value.get<bool>())) return false;
    return !((value.is_array() || value.is_object() || value.is_string()) && value.empty());
}

void NoteJson(RowBuilder& row, const std::string& name, const Json& value) {
    if (value.is_object()) {
        for (const auto& [key, member] : value.items())
            NoteJson(row, name.empty() ? key : name + "." + key, member);
    } else if (value.is_array()) {
        for (const Json& element : value) NoteJson(row, name, element);
    } else if (JsonPresent(value)) {
        row.addNote(Utf8ToUtf16(name), JsonText(value));
    }
}

const Json& Member(const Json& object, std::string_view key) {
    static const Json null;
    if (!object.is_object()) return null;
    const auto found = object.find(key);
    return found == object.end() ? null : *found;
}

std::u16string DateOfUnixTime(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_days day = floor<days>(sys_seconds(std::chrono::seconds(seconds)));
    const year_month_day date(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return AsciiToUtf16(text);
}

std::optional<std::string> ParseJsonExport(std::string_view text, const Json::parser_callback_t& callback,
                                           Json& document) {
    try {
        document = Json::parse(text.begin(), text.end(), callback, false);
    } catch (const TooManyRows&) {
        return TooManyRowsReason();
    }
    if (document.is_discarded()) return "the file is not valid JSON";
    return std::nullopt;
}

}  // namespace keyloft
