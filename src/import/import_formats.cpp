#include "import/import_formats.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <utility>

#include "store/csv_reader.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

// Where a CSV column's value lands.
enum class Landing {
    Field,              // the entry field
    GroupPath,          // the category: the whole path, empty parts left out
    RootedGroupPath,    // the category: the path below its first part (the database's root group)
    Note,               // a notes line "Column: value"
    Flag,               // a notes line, unless the value says no (empty, 0, false, no)
    NoteUnlessWebSite,  // a notes line, unless the value is the web site
    Uris,               // web site; further addresses after a comma go to a notes line
    NoteLines,          // lines that read "name: value" already, added to the notes as they are
    Dropped,            // bookkeeping of the other program: not kept, named once when not empty
    Unused,             // Keyloft's own row number
};

struct CsvColumn {
    const char* name;  // lower case
    Landing landing;
    std::u16string Entry::*field = nullptr;
};

struct CsvFormat {
    std::span<const CsvColumn> columns;
    bool unknownToNotes;     // other columns go to the notes (else they are dropped and named)
    bool hostAsDescription;  // no description column: the web site's host name
};

constexpr CsvColumn kKeePassXC[] = {
    {"group", Landing::RootedGroupPath, &Entry::category},
    {"title", Landing::Field, &Entry::description},
    {"username", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"url", Landing::Field, &Entry::webSite},
    {"notes", Landing::Field, &Entry::notes},
    {"totp", Landing::Note},
    {"icon", Landing::Dropped},
    {"last modified", Landing::Dropped},
    {"created", Landing::Dropped},
    // Written by Keyloft's own export in this form, after the columns above.
    {"email", Landing::Field, &Entry::email},
    {"expiry date", Landing::Field, &Entry::expiryDate},
};

constexpr CsvColumn kBitwardenCsv[] = {
    {"folder", Landing::GroupPath, &Entry::category},
    {"favorite", Landing::Flag},
    {"type", Landing::Dropped},
    {"name", Landing::Field, &Entry::description},
    {"notes", Landing::Field, &Entry::notes},
    {"fields", Landing::NoteLines},
    {"reprompt", Landing::Dropped},
    {"login_uri", Landing::Uris, &Entry::webSite},
    {"login_username", Landing::Field, &Entry::userCode},
    {"login_password", Landing::Field, &Entry::password},
    {"login_totp", Landing::Note},
};

constexpr CsvColumn kChrome[] = {
    {"name", Landing::Field, &Entry::description},  {"url", Landing::Field, &Entry::webSite},
    {"username", Landing::Field, &Entry::userCode}, {"password", Landing::Field, &Entry::password},
    {"note", Landing::Field, &Entry::notes},
};

constexpr CsvColumn kFirefox[] = {
    {"url", Landing::Field, &Entry::webSite},
    {"username", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"httprealm", Landing::Note},
    {"formactionorigin", Landing::NoteUnlessWebSite},
    {"guid", Landing::Dropped},
    {"timecreated", Landing::Dropped},
    {"timelastused", Landing::Dropped},
    {"timepasswordchanged", Landing::Dropped},
};

constexpr CsvColumn kOnePassword[] = {
    {"title", Landing::Field, &Entry::description},
    {"url", Landing::Field, &Entry::webSite},
    {"username", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"otpauth", Landing::Note},
    {"favorite", Landing::Flag},
    {"archived", Landing::Flag},
    {"tags", Landing::Note},
    {"notes", Landing::Field, &Entry::notes},
};

// Keyloft's own export columns, and the usual names of other CSV files.
constexpr CsvColumn kKeyloftCsv[] = {
    {"category", Landing::Field, &Entry::category},
    {"group", Landing::GroupPath, &Entry::category},
    {"folder", Landing::GroupPath, &Entry::category},
    {"description", Landing::Field, &Entry::description},
    {"title", Landing::Field, &Entry::description},
    {"name", Landing::Field, &Entry::description},
    {"usercode", Landing::Field, &Entry::userCode},
    {"username", Landing::Field, &Entry::userCode},
    {"login_username", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"login_password", Landing::Field, &Entry::password},
    {"notes", Landing::Field, &Entry::notes},
    {"note", Landing::Field, &Entry::notes},
    {"website", Landing::Field, &Entry::webSite},
    {"url", Landing::Field, &Entry::webSite},
    {"login_uri", Landing::Field, &Entry::webSite},
    {"email", Landing::Field, &Entry::email},
    {"expirydate", Landing::Field, &Entry::expiryDate},
    {"row", Landing::Unused},
};

struct FormatName {
    const char* name;
    ImportFormat format;
};

constexpr FormatName kFormatNames[] = {
    {"auto", ImportFormat::Auto},
    {"keepassxc", ImportFormat::KeePassXC},
    {"bitwarden-csv", ImportFormat::BitwardenCsv},
    {"bitwarden-json", ImportFormat::BitwardenJson},
    {"chrome", ImportFormat::Chrome},
    {"firefox", ImportFormat::Firefox},
    {"1password", ImportFormat::OnePassword},
    {"keyloft-csv", ImportFormat::KeyloftCsv},
    {"keyloft-json", ImportFormat::KeyloftJson},
    {"pass", ImportFormat::Pass},
    {"csv", ImportFormat::AnyCsv},
    {"json", ImportFormat::AnyJson},
};

CsvFormat CsvFormatOf(ImportFormat format) {
    switch (format) {
        case ImportFormat::KeePassXC:
            return {kKeePassXC, true, false};
        case ImportFormat::BitwardenCsv:
            return {kBitwardenCsv, true, false};
        case ImportFormat::Chrome:
            return {kChrome, true, false};
        case ImportFormat::Firefox:
            return {kFirefox, true, true};
        case ImportFormat::OnePassword:
            return {kOnePassword, true, false};
        default:
            return {kKeyloftCsv, false, false};
    }
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// "Root//Work/Email/" -> "Work/Email" (below the root) or "Root/Work/Email".
std::u16string GroupPath(std::u16string_view path, bool belowRoot) {
    std::u16string joined;
    bool first = true;
    while (!path.empty()) {
        const std::size_t slash = path.find(u'/');
        const std::u16string_view part = path.substr(0, slash);
        path = slash == std::u16string_view::npos ? std::u16string_view() : path.substr(slash + 1);
        if (TrimBlanks(part).empty()) continue;
        if (std::exchange(first, false) && belowRoot) continue;
        if (!joined.empty()) joined += u'/';
        joined += part;
    }
    return joined;
}

bool SaysNo(std::u16string_view value) {
    const std::string lower = AsciiLower(Utf16ToUtf8(TrimBlanks(value)));
    return lower.empty() || lower == "0" || lower == "false" || lower == "no";
}

ImportFormat RecogniseCsv(std::string_view text) {
    CsvReader reader(text);
    CsvRecord header;
    if (!reader.next(header)) return ImportFormat::KeyloftCsv;  // the reader reports the fault
    std::unordered_set<std::string> names;
    for (const std::string& name : header.fields) names.insert(AsciiLower(name));
    const auto has = [&names](const char* name) { return names.count(name) != 0; };
    if (has("login_username") || has("login_password") || has("login_uri") || has("login_totp"))
        return ImportFormat::BitwardenCsv;
    if (has("httprealm") || has("formactionorigin") || has("timepasswordchanged"))
        return ImportFormat::Firefox;
    if (has("otpauth") || (has("title") && !has("group") && (has("tags") || has("archived"))))
        return ImportFormat::OnePassword;
    if (has("group") && has("title")) return ImportFormat::KeePassXC;
    if (has("name") && has("url") && has("username") && has("password") && !has("title"))
        return ImportFormat::Chrome;
    return ImportFormat::KeyloftCsv;
}

struct ColumnUse {
    Landing landing = Landing::Unused;
    std::u16string Entry::*field = nullptr;
    std::u16string name;  // as written in the header, for notes lines
};

ImportTable ReadCsvAs(const CsvFormat& format, std::string_view text, const RowSink& onRow) {
    ImportTable table;
    CsvReader reader(text);
    CsvRecord header;
    if (!reader.next(header)) {
        table.error = reader.error()
                          ? "line " + std::to_string(reader.error()->line) + ": " + reader.error()->reason
                          : std::string("the file has no header row");
        return table;
    }

    std::vector<ColumnUse> uses(header.fields.size());
    std::vector<std::u16string Entry::*> taken;
    IgnoredNames ignored(table.ignoredColumns);
    for (std::size_t column = 0; column < header.fields.size(); ++column) {
        const std::string name = AsciiLower(header.fields[column]);
        ColumnUse& use = uses[column];
        use.name = FromUtf8Lenient(header.fields[column]);
        const auto known = std::find_if(format.columns.begin(), format.columns.end(),
                                        [&name](const CsvColumn& c) { return name == c.name; });
        const bool fieldTaken = known != format.columns.end() && known->field != nullptr &&
                                std::find(taken.begin(), taken.end(), known->field) != taken.end();
        if (known != format.columns.end() && !fieldTaken) {
            use.landing = known->landing;
            use.field = known->field;
            if (use.field != nullptr) taken.push_back(use.field);
        } else {
            use.landing = format.unknownToNotes && !fieldTaken ? Landing::Note : Landing::Dropped;
        }
    }
    if (taken.empty()) {
        table.error = "the header row names none of the columns of this format";
        return table;
    }

    CsvRecord record;
    while (reader.next(record)) {
        RowBuilder row("line " + std::to_string(record.line));
        Entry& fields = row.fields();
        std::vector<std::pair<std::u16string_view, std::u16string>> unlessWebSite;
        for (std::size_t column = 0; column < record.fields.size() && column < uses.size(); ++column) {
            const ColumnUse& use = uses[column];
            if (use.landing == Landing::Unused) continue;
            if (use.landing == Landing::Dropped) {  // named once it held something
                if (!record.fields[column].empty()) ignored.add(header.fields[column]);
                continue;
            }
            std::optional<std::u16string> value = FromUtf8(record.fields[column]);
            if (!value) {
                row.setFault("column \"" + header.fields[column] + "\" is not valid UTF-8 text");
                continue;
            }
            switch (use.landing) {
                case Landing::Field:
                    fields.*use.field = std::move(*value);
                    break;
                case Landing::GroupPath:
                case Landing::RootedGroupPath:
                    fields.*use.field = GroupPath(*value, use.landing == Landing::RootedGroupPath);
                    break;
                case Landing::Flag:
                    if (!SaysNo(*value)) row.addNote(use.name, *value);
                    break;
                case Landing::NoteUnlessWebSite:
                    unlessWebSite.emplace_back(use.name, std::move(*value));
                    break;
                case Landing::Uris: {
                    const std::size_t comma = value->find(u',');
                    fields.*use.field = value->substr(0, comma);
                    if (comma != std::u16string::npos)
                        row.addNote(use.name, std::u16string_view(*value).substr(comma + 1));
                    break;
                }
                case Landing::NoteLines:
                    row.addNoteLines(*value);
                    break;
                default:
                    row.addNote(use.name, *value);
                    break;
            }
        }
        for (const auto& [name, value] : unlessWebSite)
            if (TrimBlanks(value) != TrimBlanks(fields.webSite)) row.addNote(name, value);
        if (format.hostAsDescription && TrimBlanks(fields.description).empty())
            fields.description = HostName(fields.webSite);
        row.finishInto(onRow);
    }
    if (reader.error())
        table.error = "line " + std::to_string(reader.error()->line) + ": " + reader.error()->reason;
    return table;
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
    for (const FormatName& f : kFormatNames)
        if (format == f.format) return f.name;
    return "auto";
}

ImportFormat RecogniseFormat(ImportFormat asked, std::string_view text) {
    if (asked != ImportFormat::Auto && asked != ImportFormat::AnyCsv && asked != ImportFormat::AnyJson)
        return asked;
    std::string_view start = text;
    if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
    const std::size_t first = start.find_first_not_of(" \t\r\n");
    const char c = first == std::string_view::npos ? '\0' : start[first];
    if (asked == ImportFormat::AnyJson || (asked == ImportFormat::Auto && (c == '[' || c == '{')))
        return c == '{' ? ImportFormat::BitwardenJson : ImportFormat::KeyloftJson;
    return RecogniseCsv(text);
}

ImportTable ReadImportRows(ImportFormat format, std::string_view text, const RowSink& onRow) {
    switch (format) {
        case ImportFormat::KeyloftJson:
            return ReadKeyloftJsonRows(text, onRow);
        case ImportFormat::BitwardenJson:
            return ReadBitwardenJsonRows(text, onRow);
        case ImportFormat::Auto:
        case ImportFormat::AnyCsv:
        case ImportFormat::AnyJson:
            return ReadImportRows(RecogniseFormat(format, text), text, onRow);
        case ImportFormat::Pass: {
            ImportTable table;
            table.error = "a password store is a folder, read with --format pass";
            return table;
        }
        default:
            return ReadCsvAs(CsvFormatOf(format), text, onRow);
    }
}

std::u16string HostName(std::u16string_view url) {
    std::u16string_view rest = TrimBlanks(url);
    if (const std::size_t scheme = rest.find(u"://"); scheme != std::u16string_view::npos)
        rest.remove_prefix(scheme + 3);
    rest = rest.substr(0, rest.find_first_of(u"/?#"));
    if (const std::size_t at = rest.rfind(u'@'); at != std::u16string_view::npos) rest.remove_prefix(at + 1);
    if (!rest.empty() && rest.front() == u'[') {  // [2001:db8::1]:8443
        const std::size_t close = rest.find(u']');
        return std::u16string(rest.substr(0, close == std::u16string_view::npos ? rest.size() : close + 1));
    }
    return std::u16string(rest.substr(0, rest.find(u':')));
}

}  // namespace keyloft
