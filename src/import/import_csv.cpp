// The CSV formats: the columns each program writes, how a header row is recognised, and where each
// column lands. A column a format does not name goes to the notes as "Column: value".

#include "import/import_csv.h"

#include <algorithm>
#include <cctype>
#include <span>
#include <utility>

#include "import/import_limits.h"
#include "store/csv_reader.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

// Where a CSV column's value lands.
enum class Landing {
    Field,            // the entry field (the first column of a field; a later one to the notes)
    GroupPath,        // the category: the whole path, empty parts left out
    RootedGroupPath,  // the category: the path below its first part (the database's root group)
    BackslashPath,    // the category: a path with "\" or "/" between its parts
    Email,            // the e-mail address, and the user code of a row that has none
    Uris,             // web site; further addresses after a comma go to a notes line
    SecureNoteUrl,    // web site, unless it is the "http://sn" that marks a secure note
    Expiry,           // the expiry date; to the notes when it is not a date
    ExpiryMonth,      // with ExpiryYear: the expiry date MM/YY
    ExpiryYear,
    Note,               // a notes line "Column: value"
    Flag,               // a notes line, unless the value says no (empty, 0, false, no)
    NoteUnlessWebSite,  // a notes line, unless the value is the web site
    NoteLines,          // lines that read "name: value" already, added to the notes as they are
    Dropped,            // bookkeeping of the other program: not kept, named once when not empty
    Unused,             // Keyloft's own row number
};

struct CsvColumn {
    const char* name;  // lower case, without blanks, "_", "-" and "."
    Landing landing;
    std::u16string Entry::*field = nullptr;
};

struct CsvFormat {
    std::span<const CsvColumn> columns;
    bool hostAsDescription = false;  // no description: the web site's host name
    bool ownExport = false;          // Keyloft's own: a bad expiry date refuses the row
};

constexpr CsvColumn kKeePassXC[] = {
    {"group", Landing::RootedGroupPath, &Entry::category},
    {"title", Landing::Field, &Entry::description},
    {"username", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"url", Landing::Field, &Entry::webSite},
    {"notes", Landing::Field, &Entry::notes},
    {"icon", Landing::Dropped},
    {"lastmodified", Landing::Dropped},
    {"created", Landing::Dropped},
    // Written by Keyloft's own export in this form, after the columns above.
    {"email", Landing::Field, &Entry::email},
    {"expirydate", Landing::Expiry, &Entry::expiryDate},
};

constexpr CsvColumn kBitwardenCsv[] = {
    {"folder", Landing::GroupPath, &Entry::category},
    {"favorite", Landing::Flag},
    {"type", Landing::Dropped},
    {"name", Landing::Field, &Entry::description},
    {"notes", Landing::Field, &Entry::notes},
    {"fields", Landing::NoteLines},
    {"reprompt", Landing::Dropped},
    {"loginuri", Landing::Uris, &Entry::webSite},
    {"loginusername", Landing::Field, &Entry::userCode},
    {"loginpassword", Landing::Field, &Entry::password},
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
    {"favorite", Landing::Flag},
    {"archived", Landing::Flag},
    {"notes", Landing::Field, &Entry::notes},
};

constexpr CsvColumn kProtonPass[] = {
    {"type", Landing::Dropped},
    {"name", Landing::Field, &Entry::description},
    {"url", Landing::Uris, &Entry::webSite},
    {"email", Landing::Email, &Entry::email},
    {"username", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"note", Landing::Field, &Entry::notes},
    {"createtime", Landing::Dropped},
    {"modifytime", Landing::Dropped},
    {"vault", Landing::GroupPath, &Entry::category},
};

constexpr CsvColumn kLastPass[] = {
    {"url", Landing::SecureNoteUrl, &Entry::webSite},
    {"username", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"extra", Landing::Field, &Entry::notes},
    {"name", Landing::Field, &Entry::description},
    {"grouping", Landing::BackslashPath, &Entry::category},
    {"fav", Landing::Flag},
};

// Dashlane writes one file for each kind of item; a file is told by its columns.
constexpr CsvColumn kDashlaneCredentials[] = {
    {"username", Landing::Field, &Entry::userCode}, {"title", Landing::Field, &Entry::description},
    {"password", Landing::Field, &Entry::password}, {"note", Landing::Field, &Entry::notes},
    {"url", Landing::Field, &Entry::webSite},       {"category", Landing::GroupPath, &Entry::category},
};
constexpr CsvColumn kDashlanePayments[] = {
    {"accountname", Landing::Field, &Entry::description},
    {"ccnumber", Landing::Field, &Entry::userCode},
    {"accountnumber", Landing::Field, &Entry::userCode},
    {"code", Landing::Field, &Entry::password},
    {"expirationmonth", Landing::ExpiryMonth, &Entry::expiryDate},
    {"expirationyear", Landing::ExpiryYear, &Entry::expiryDate},
};
constexpr CsvColumn kDashlaneIds[] = {
    {"name", Landing::Field, &Entry::description},
    {"number", Landing::Field, &Entry::userCode},
    {"expirationdate", Landing::Expiry, &Entry::expiryDate},
};
constexpr CsvColumn kDashlanePersonalInfo[] = {
    {"itemname", Landing::Field, &Entry::description},
    {"login", Landing::Field, &Entry::userCode},
    {"email", Landing::Email, &Entry::email},
    {"url", Landing::Field, &Entry::webSite},
};
constexpr CsvColumn kDashlaneNotes[] = {
    {"title", Landing::Field, &Entry::description},
    {"note", Landing::Field, &Entry::notes},
    {"category", Landing::GroupPath, &Entry::category},
};

// Keyloft's own export columns.
constexpr CsvColumn kKeyloftCsv[] = {
    {"category", Landing::Field, &Entry::category},
    {"description", Landing::Field, &Entry::description},
    {"usercode", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"notes", Landing::Field, &Entry::notes},
    {"expirydate", Landing::Field, &Entry::expiryDate},
    {"website", Landing::Field, &Entry::webSite},
    {"email", Landing::Field, &Entry::email},
    {"row", Landing::Unused},
};

// The usual names of the columns of a CSV file no program is known to have written.
constexpr CsvColumn kOtherCsv[] = {
    {"category", Landing::GroupPath, &Entry::category},
    {"folder", Landing::GroupPath, &Entry::category},
    {"group", Landing::GroupPath, &Entry::category},
    {"vault", Landing::GroupPath, &Entry::category},
    {"grouping", Landing::BackslashPath, &Entry::category},
    {"title", Landing::Field, &Entry::description},
    {"name", Landing::Field, &Entry::description},
    {"description", Landing::Field, &Entry::description},
    {"account", Landing::Field, &Entry::description},
    {"accountname", Landing::Field, &Entry::description},
    {"itemname", Landing::Field, &Entry::description},
    {"entry", Landing::Field, &Entry::description},
    {"service", Landing::Field, &Entry::description},
    {"username", Landing::Field, &Entry::userCode},
    {"user", Landing::Field, &Entry::userCode},
    {"usercode", Landing::Field, &Entry::userCode},
    {"userid", Landing::Field, &Entry::userCode},
    {"login", Landing::Field, &Entry::userCode},
    {"loginname", Landing::Field, &Entry::userCode},
    {"loginusername", Landing::Field, &Entry::userCode},
    {"password", Landing::Field, &Entry::password},
    {"pass", Landing::Field, &Entry::password},
    {"passwd", Landing::Field, &Entry::password},
    {"pwd", Landing::Field, &Entry::password},
    {"loginpassword", Landing::Field, &Entry::password},
    {"url", Landing::Field, &Entry::webSite},
    {"website", Landing::Field, &Entry::webSite},
    {"web", Landing::Field, &Entry::webSite},
    {"site", Landing::Field, &Entry::webSite},
    {"uri", Landing::Field, &Entry::webSite},
    {"loginuri", Landing::Field, &Entry::webSite},
    {"link", Landing::Field, &Entry::webSite},
    {"notes", Landing::Field, &Entry::notes},
    {"note", Landing::Field, &Entry::notes},
    {"comment", Landing::Field, &Entry::notes},
    {"comments", Landing::Field, &Entry::notes},
    {"extra", Landing::Field, &Entry::notes},
    {"remarks", Landing::Field, &Entry::notes},
    {"email", Landing::Email, &Entry::email},
    {"emailaddress", Landing::Email, &Entry::email},
    {"mail", Landing::Email, &Entry::email},
    {"expiry", Landing::Expiry, &Entry::expiryDate},
    {"expirydate", Landing::Expiry, &Entry::expiryDate},
    {"expires", Landing::Expiry, &Entry::expiryDate},
    {"expiration", Landing::Expiry, &Entry::expiryDate},
    {"expirationdate", Landing::Expiry, &Entry::expiryDate},
    {"validuntil", Landing::Expiry, &Entry::expiryDate},
};

// "Login_URI", "Expiry Date", "e-mail" -> "loginuri", "expirydate", "email".
std::string ColumnKey(std::string_view header) {
    std::string key;
    for (const char c : header) {
        if (c == ' ' || c == '_' || c == '-' || c == '.') continue;
        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// "Root//Work/Email/" -> "Work/Email" (below the root) or "Root/Work/Email".
std::u16string GroupPath(std::u16string_view path, bool belowRoot, std::u16string_view separators) {
    std::u16string joined;
    bool first = true;
    while (!path.empty()) {
        const std::size_t slash = path.find_first_of(separators);
        const std::u16string_view part = path.substr(0, slash);
        path = slash == std::u16string_view::npos ? std::u16string_view() : path.substr(slash + 1);
        if (TrimBlanks(part).empty()) continue;
        if (std::exchange(first, false) && belowRoot) continue;
        if (!joined.empty()) joined += u'/';
        joined += TrimBlanks(part);
    }
    return joined;
}

bool SaysNo(std::u16string_view value) {
    const std::string lower = AsciiLower(Utf16ToUtf8(TrimBlanks(value)));
    return lower.empty() || lower == "0" || lower == "false" || lower == "no";
}

using ColumnNames = std::vector<std::string>;  // the header's column keys

bool Has(const ColumnNames& names, std::string_view key) {
    return std::find(names.begin(), names.end(), key) != names.end();
}

// Keyloft's own header: only its columns, and its user code among them.
bool IsKeyloftHeader(const ColumnNames& names) {
    return Has(names, "usercode") && std::all_of(names.begin(), names.end(), [](const std::string& name) {
               return std::any_of(std::begin(kKeyloftCsv), std::end(kKeyloftCsv),
                                  [&name](const CsvColumn& c) { return name == c.name; });
           });
}

// The Dashlane file a header row is of, told by the columns only that file has; none when no
// column tells.
std::span<const CsvColumn> DashlaneFileColumns(const ColumnNames& names) {
    const auto has = [&names](const char* key) { return Has(names, key); };
    if (has("username2") || has("otpsecret") || has("otpurl")) return kDashlaneCredentials;
    if (has("ccnumber") || has("routingnumber") || has("accountholder")) return kDashlanePayments;
    if (has("placeofissue") || has("issuedate")) return kDashlaneIds;
    if (has("itemname") || has("dateofbirth") || has("firstname")) return kDashlanePersonalInfo;
    return {};
}

CsvFormat CsvFormatOf(ImportFormat format, const ColumnNames& names) {
    switch (format) {
        case ImportFormat::KeePassXC:
            return {kKeePassXC};
        case ImportFormat::BitwardenCsv:
            return {kBitwardenCsv};
        case ImportFormat::Chrome:
            return {kChrome};
        case ImportFormat::Firefox:
            return {kFirefox, true};
        case ImportFormat::OnePassword:
            return {kOnePassword};
        case ImportFormat::ProtonPassCsv:
            return {kProtonPass};
        case ImportFormat::LastPass:
            return {kLastPass};
        case ImportFormat::Dashlane: {
            const std::span<const CsvColumn> columns = DashlaneFileColumns(names);
            if (!columns.empty()) return {columns};
            return {Has(names, "username") ? std::span<const CsvColumn>(kDashlaneCredentials)
                                           : kDashlaneNotes};
        }
        case ImportFormat::KeyloftCsv:
            return {kKeyloftCsv, false, true};
        default:
            return {kOtherCsv, true};
    }
}

ImportFormat FormatOfHeader(const ColumnNames& names) {
    const auto has = [&names](const char* key) { return Has(names, key); };
    if (has("loginusername") || has("loginpassword") || has("loginuri") || has("logintotp"))
        return ImportFormat::BitwardenCsv;
    if (has("httprealm") || has("formactionorigin") || has("timepasswordchanged"))
        return ImportFormat::Firefox;
    if (has("grouping") && has("extra")) return ImportFormat::LastPass;
    if (has("vault") && has("email") && has("username") && has("name")) return ImportFormat::ProtonPassCsv;
    if (!DashlaneFileColumns(names).empty()) return ImportFormat::Dashlane;
    if (has("otpauth") || (has("title") && !has("group") && (has("tags") || has("archived"))))
        return ImportFormat::OnePassword;
    if (has("group") && has("title")) return ImportFormat::KeePassXC;
    if (has("name") && has("url") && has("username") && has("password") && !has("title"))
        return ImportFormat::Chrome;
    if (IsKeyloftHeader(names)) return ImportFormat::KeyloftCsv;
    return ImportFormat::OtherCsv;
}

std::string LineError(const CsvError& error) {
    return "line " + std::to_string(error.line) + ": " + error.reason;
}

struct ColumnUse {
    Landing landing = Landing::Note;
    std::u16string Entry::*field = nullptr;
    std::u16string name;  // as written in the header, for notes lines
};

// The expiry month and year of a row, joined as MM/YY when both are there.
void FinishExpiry(RowBuilder& row, std::u16string month, const std::u16string& year,
                  std::u16string_view monthName, std::u16string_view yearName) {
    if (month.size() == 1) month.insert(0, u"0");
    if (month.size() == 2 && (year.size() == 4 || year.size() == 2)) {
        row.setExpiry(std::u16string(monthName) + u"/" + std::u16string(yearName),
                      month + u"/" + year.substr(year.size() - 2));
    } else {
        row.addNote(monthName, month);
        row.addNote(yearName, year);
    }
}

}  // namespace

ImportFormat RecogniseCsv(std::string_view text) {
    CsvReader reader(text, kMaxImportColumns);
    CsvRecord header;
    if (!reader.next(header)) return ImportFormat::OtherCsv;  // the reader reports the fault
    ColumnNames names;
    for (const std::string& name : header.fields) names.push_back(ColumnKey(name));
    return FormatOfHeader(names);
}

ImportTable ReadCsvRows(ImportFormat format, std::string_view text, const std::string& where,
                        const RowSink& onRow) {
    ImportTable table;
    CsvReader reader(text, kMaxImportColumns);
    CsvRecord header;
    if (!reader.next(header)) {
        table.error =
            reader.error() ? where + LineError(*reader.error()) : where + "the file has no header row";
        return table;
    }
    ColumnNames names;
    for (const std::string& name : header.fields) names.push_back(ColumnKey(name));
    const CsvFormat format_ = CsvFormatOf(format, names);

    std::vector<ColumnUse> uses(header.fields.size());
    bool anyKnown = false;
    IgnoredNames ignored(table.ignoredColumns);
    for (std::size_t column = 0; column < header.fields.size(); ++column) {
        ColumnUse& use = uses[column];
        use.name = Utf8ToUtf16(header.fields[column]);
        const auto known = std::find_if(format_.columns.begin(), format_.columns.end(),
                                        [&](const CsvColumn& c) { return names[column] == c.name; });
        if (known == format_.columns.end()) continue;  // to the notes
        use.landing = known->landing;
        use.field = known->field;
        anyKnown = anyKnown || known->field != nullptr;
    }
    if (!anyKnown) {
        std::string columns;
        for (const std::string& name : header.fields) columns += (columns.empty() ? "" : ", ") + name;
        table.error = where + "the header row (" + columns +
                      ") names none of the columns Keyloft reads: a title or name, a user name or login, a "
                      "password, a web site or URL, notes, an e-mail address, a folder or group, an expiry "
                      "date";
        return table;
    }

    CsvRecord record;
    while (reader.next(record)) {
        RowBuilder row(where + "line " + std::to_string(record.line));
        Entry& fields = row.fields();
        std::vector<std::pair<std::u16string_view, std::u16string>> unlessWebSite;
        std::u16string month, year, monthName, yearName, email;
        for (std::size_t column = 0; column < record.fields.size(); ++column) {
            const std::string& cell = record.fields[column];
            if (cell.empty()) continue;
            // A cell past the header's columns goes to the notes under its column's number.
            ColumnUse pastHeader;
            if (column >= uses.size())
                pastHeader.name = u"column " + AsciiToUtf16(std::to_string(column + 1));
            const ColumnUse& use = column < uses.size() ? uses[column] : pastHeader;
            if (use.landing == Landing::Unused) continue;
            if (use.landing == Landing::Dropped) {  // named once it held something
                ignored.add(header.fields[column]);
                row.droppedValue(header.fields[column]);
                continue;
            }
            std::optional<std::u16string> value = FromUtf8(cell);
            if (!value) {
                row.setFault("column \"" + Utf16ToUtf8(use.name) + "\" is not valid UTF-8 text");
                continue;
            }
            switch (use.landing) {
                case Landing::Field:
                    if (format_.ownExport) {
                        fields.*use.field = std::move(*value);
                    } else {
                        row.setOrNote(use.field, use.name, *value);
                    }
                    break;
                case Landing::GroupPath:
                case Landing::RootedGroupPath:
                case Landing::BackslashPath:
                    row.setOrNote(use.field, use.name,
                                  GroupPath(*value, use.landing == Landing::RootedGroupPath,
                                            use.landing == Landing::BackslashPath ? u"\\/" : u"/"));
                    break;
                case Landing::Email:
                    row.setOrNote(use.field, use.name, *value);
                    if (email.empty()) email = *value;
                    break;
                case Landing::Uris: {
                    const std::size_t comma = value->find(u',');
                    row.setOrNote(use.field, use.name,
                                  TrimBlanks(std::u16string_view(*value).substr(0, comma)));
                    if (comma != std::u16string::npos)
                        row.addNote(use.name, TrimBlanks(std::u16string_view(*value).substr(comma + 1)));
                    break;
                }
                case Landing::SecureNoteUrl:
                    if (TrimBlanks(*value) != u"http://sn") row.setOrNote(use.field, use.name, *value);
                    break;
                case Landing::Expiry:
                    if (format_.ownExport) {
                        fields.expiryDate = std::move(*value);
                    } else {
                        row.setExpiry(use.name, *value);
                    }
                    break;
                case Landing::ExpiryMonth:
                    month = TrimBlanks(*value);
                    monthName = use.name;
                    break;
                case Landing::ExpiryYear:
                    year = TrimBlanks(*value);
                    yearName = use.name;
                    break;
                case Landing::Flag:
                    if (SaysNo(*value)) {
                        row.droppedValue(Utf16ToUtf8(use.name));
                    } else {
                        row.addNote(use.name, *value);
                    }
                    break;
                case Landing::NoteUnlessWebSite:
                    unlessWebSite.emplace_back(use.name, std::move(*value));
                    break;
                case Landing::NoteLines:
                    row.addNoteLines(*value);
                    break;
                default:
                    row.addNote(use.name, *value);
                    break;
            }
        }
        if (!month.empty() || !year.empty()) FinishExpiry(row, month, year, monthName, yearName);
        for (const auto& [name, value] : unlessWebSite)
            if (TrimBlanks(value) != TrimBlanks(fields.webSite)) row.addNote(name, value);
        if (TrimBlanks(fields.userCode).empty() && !TrimBlanks(email).empty())
            fields.userCode = TrimBlanks(email);
        if (format_.hostAsDescription && TrimBlanks(fields.description).empty())
            fields.description = HostName(fields.webSite);
        row.finishInto(onRow);
    }
    if (reader.error()) table.error = where + LineError(*reader.error());
    return table;
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
