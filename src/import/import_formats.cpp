#include "import/import_formats.h"

#include "import/import_csv.h"
#include "import/import_limits.h"
#include "import/json_shape.h"

namespace keyloft {
namespace {

struct FormatName {
    const char* name;
    ImportFormat format;
    const char* title;
};

constexpr FormatName kFormatNames[] = {
    {"auto", ImportFormat::Auto, "the format recognised"},
    {"keepassxc", ImportFormat::KeePassXC, "KeePassXC CSV"},
    {"keepass-xml", ImportFormat::KeePassXml, "KeePass 2 XML"},
    {"bitwarden-csv", ImportFormat::BitwardenCsv, "Bitwarden CSV"},
    {"bitwarden-json", ImportFormat::BitwardenJson, "Bitwarden JSON"},
    {"chrome", ImportFormat::Chrome, "Chrome CSV"},
    {"firefox", ImportFormat::Firefox, "Firefox CSV"},
    {"1password", ImportFormat::OnePassword, "1Password CSV"},
    {"1password-1pux", ImportFormat::OnePasswordPux, "1Password 1PUX"},
    {"protonpass-csv", ImportFormat::ProtonPassCsv, "Proton Pass CSV"},
    {"protonpass-json", ImportFormat::ProtonPassJson, "Proton Pass JSON"},
    {"dashlane", ImportFormat::Dashlane, "Dashlane CSV"},
    {"lastpass", ImportFormat::LastPass, "LastPass CSV"},
    {"keyloft-csv", ImportFormat::KeyloftCsv, "Keyloft CSV"},
    {"keyloft-json", ImportFormat::KeyloftJson, "Keyloft JSON"},
    {"other-csv", ImportFormat::OtherCsv, "CSV of no known program (columns matched by their names)"},
    {"pass", ImportFormat::Pass, "password store (pass)"},
    {"csv", ImportFormat::AnyCsv, "CSV"},
    {"json", ImportFormat::AnyJson, "JSON"},
};

const FormatName* Find(ImportFormat format) {
    for (const FormatName& f : kFormatNames)
        if (format == f.format) return &f;
    return nullptr;
}

// The JSON format of a text by its top level: an array is Keyloft's export; an object with
// "accounts" 1Password's export.data, with "vaults" Proton Pass's data.json, else Bitwarden's.
ImportFormat RecogniseJson(std::string_view text) {
    const JsonShape shape = ReadJsonShape(text);
    if (shape.top == '[') return ImportFormat::KeyloftJson;
    for (const std::string& key : shape.keys) {
        if (key == "accounts") return ImportFormat::OnePasswordPux;
        if (key == "vaults") return ImportFormat::ProtonPassJson;
    }
    return shape.top == '{' ? ImportFormat::BitwardenJson : ImportFormat::KeyloftJson;
}

char FirstCharacter(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos ? '\0' : text[first];
}

}  // namespace

const std::vector<std::string>& ImportFormatNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const FormatName& f : kFormatNames) all.emplace_back(f.name);
        return all;
    }();
    return names;
}

std::optional<ImportFormat> ImportFormatFromName(std::string_view name) {
    for (const FormatName& f : kFormatNames)
        if (name == f.name) return f.format;
    return std::nullopt;
}

std::string ImportFormatName(ImportFormat format) {
    const FormatName* f = Find(format);
    return f != nullptr ? f->name : "auto";
}

std::string ImportFormatTitle(ImportFormat format) {
    const FormatName* f = Find(format);
    return f != nullptr ? f->title : "";
}

bool IsJsonFormat(ImportFormat format) {
    return format == ImportFormat::KeyloftJson || format == ImportFormat::BitwardenJson ||
           format == ImportFormat::ProtonPassJson || format == ImportFormat::OnePasswordPux ||
           format == ImportFormat::AnyJson;
}

ImportFormat RecogniseFormat(ImportFormat asked, std::string_view text) {
    if (asked == ImportFormat::AnyJson) return RecogniseJson(text);
    if (asked == ImportFormat::AnyCsv) return RecogniseCsv(text);
    if (asked != ImportFormat::Auto) return asked;
    const char c = FirstCharacter(text);
    if (c == '[' || c == '{') return RecogniseJson(text);
    if (c == '<') return ImportFormat::KeePassXml;
    return RecogniseCsv(text);
}

ImportTable ReadImportRows(ImportFormat format, std::string_view text, const RowSink& onRow,
                           const std::string& where) {
    if (format == ImportFormat::Auto || format == ImportFormat::AnyCsv || format == ImportFormat::AnyJson)
        return ReadImportRows(RecogniseFormat(format, text), text, onRow, where);
    ImportTable table;
    if (format == ImportFormat::Pass) {
        table.error = "a password store is a folder, read with --format pass";
        return table;
    }
    if (format == ImportFormat::KeePassXml) return ReadKeePassXmlRows(text, onRow);
    if (!IsJsonFormat(format)) return ReadCsvRows(format, text, where, onRow);

    // Every JSON reader gets a text that is JSON and nested no deeper than the limit, so that none
    // of them builds (or throws away) values nested without end.
    switch (ReadJsonShape(text).outcome) {
        case JsonShape::Outcome::NotJson:
            table.error = "the file is not valid JSON";
            return table;
        case JsonShape::Outcome::TooDeep:
            table.error = TooDeepReason("JSON");
            return table;
        case JsonShape::Outcome::Read:
            break;
    }
    switch (format) {
        case ImportFormat::BitwardenJson:
            return ReadBitwardenJsonRows(text, onRow);
        case ImportFormat::ProtonPassJson:
            return ReadProtonPassJsonRows(text, onRow);
        case ImportFormat::OnePasswordPux:
            return ReadOnePasswordPuxRows(text, onRow);
        default:
            return ReadKeyloftJsonRows(text, onRow);
    }
}

}  // namespace keyloft
