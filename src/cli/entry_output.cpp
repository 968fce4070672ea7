#include "cli/entry_output.h"

#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

struct Column {
    const char* key;
    const char* label;
    std::u16string Entry::*field;
};

constexpr Column kColumns[] = {
    {"category", "Category", &Entry::category},
    {"description", "Description", &Entry::description},
    {"userCode", "User/Account Code", &Entry::userCode},
    {"password", "Password/PIN", &Entry::password},
    {"notes", "Notes", &Entry::notes},
    {"expiryDate", "Expiry Date", &Entry::expiryDate},
    {"webSite", "Web Site", &Entry::webSite},
    {"email", "Email", &Entry::email},
};

bool IsPassword(const Column& column) { return column.field == &Entry::password; }

}  // namespace

std::string EscapeCell(std::u16string_view text) {
    std::string out;
    for (char c : Utf16ToUtf8(text)) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\\': out += "\\\\"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string ListHeader() {
    std::string line = "Row\t!";
    for (const Column& column : kColumns) line += std::string("\t") + column.label;
    return line + "\n";
}

std::string ListRow(std::size_t row, const Entry& entry, bool due) {
    std::string line = std::to_string(row) + (due ? "\t!" : "\t");
    for (const Column& column : kColumns)
        line += "\t" + (IsPassword(column) ? std::string(kPasswordMask) : EscapeCell(entry.*column.field));
    return line + "\n";
}

std::string EntryBlock(std::size_t row, const Entry& entry, PasswordShown password) {
    std::string block = "Row: " + std::to_string(row) + "\n";
    for (const Column& column : kColumns) {
        const bool masked = IsPassword(column) && password == PasswordShown::Masked;
        block += std::string(column.label) + ": " +
                 (masked ? std::string(kPasswordMask) : EscapeCell(entry.*column.field)) + "\n";
    }
    return block;
}

nlohmann::ordered_json EntryJson(std::size_t row, const Entry& entry, PasswordShown password) {
    nlohmann::ordered_json object;
    object["row"] = row;
    for (const Column& column : kColumns) {
        if (IsPassword(column) && password == PasswordShown::Masked) continue;
        object[column.key] = Utf16ToUtf8(entry.*column.field);
    }
    return object;
}

std::string CsvField(std::string_view utf8) {
    if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(utf8);
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvHeader() {
    std::string line = "row";
    for (const Column& column : kColumns) line += std::string(",") + column.key;
    return line + "\r\n";
}

std::string CsvRow(std::size_t row, const Entry& entry) {
    std::string line = std::to_string(row);
    for (const Column& column : kColumns) line += "," + CsvField(Utf16ToUtf8(entry.*column.field));
    return line + "\r\n";
}

namespace {
std::string Quoted(std::u16string_view text) {
    std::string out = "\"";
    for (char c : Utf16ToUtf8(text)) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}
}  // namespace

std::string KeePassXcCsvHeader() {
    return "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
           "\"Last Modified\",\"Created\",\"Email\",\"Expiry Date\"\r\n";
}

std::string KeePassXcCsvRow(const Entry& entry) {
    const std::u16string group = entry.category.empty() ? std::u16string(u"Root") : u"Root/" + entry.category;
    std::string line;
    for (const std::u16string_view field :
         {std::u16string_view(group), std::u16string_view(entry.description),
          std::u16string_view(entry.userCode), std::u16string_view(entry.password),
          std::u16string_view(entry.webSite), std::u16string_view(entry.notes), std::u16string_view(),
          std::u16string_view(), std::u16string_view(), std::u16string_view(),
          std::u16string_view(entry.email), std::u16string_view(entry.expiryDate)})
        line += (line.empty() ? "" : ",") + Quoted(field);
    return line + "\r\n";
}

}  // namespace keyloft::cli
