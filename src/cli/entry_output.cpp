#include "cli/entry_output.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>

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
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string ListHeader() {
    std::string line = "Row\t!";
    for (const Column& column : kColumns) line += std::string("\t") + column.label;
    return line + "\n";
}

namespace {

// Whether a cell is plain ASCII without tabs, line breaks or backslashes (nearly every cell is),
// which EscapeCell leaves as it is. Eight units at a time, which compilers turn into vector code.
bool PlainCell(std::u16string_view text) {
    const auto special = [](char16_t unit) {
        return static_cast<unsigned>(unit >= 0x80) | (unit == u'\t') | (unit == u'\n') | (unit == u'\r') |
               (unit == u'\\');
    };
    unsigned lanes[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8)
        for (std::size_t k = 0; k < 8; ++k) lanes[k] |= special(text[i + k]);
    unsigned found = 0;
    for (; i < text.size(); ++i) found |= special(text[i]);
    for (const unsigned lane : lanes) found |= lane;
    return found == 0;
}

// A plain cell's units as bytes, eight at a time too (through local copies: the bytes written
// could otherwise be the units read, for all the compiler knows).
char* CopyPlainCell(std::u16string_view text, char* to) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        char16_t units[8];
        char bytes[8];
        std::memcpy(units, text.data() + i, sizeof units);
        for (std::size_t k = 0; k < 8; ++k) bytes[k] = static_cast<char>(units[k]);
        std::memcpy(to + i, bytes, sizeof bytes);
    }
    for (; i < text.size(); ++i) to[i] = static_cast<char>(text[i]);
    return to + text.size();
}

}  // namespace

void AppendListRow(std::string& out, std::size_t row, const Entry& entry, bool due) {
    bool plain = true;
    std::size_t size = 0;
    for (const Column& column : kColumns) {
        if (IsPassword(column)) continue;
        plain = plain && PlainCell(entry.*column.field);
        size += (entry.*column.field).size();
    }
    if (!plain) {
        std::string line = std::to_string(row) + (due ? "\t!" : "\t");
        for (const Column& column : kColumns)
            line +=
                "\t" + (IsPassword(column) ? std::string(kPasswordMask) : EscapeCell(entry.*column.field));
        out += line + "\n";
        return;
    }
    // The usual row, written in place: its size is known before.
    constexpr std::size_t kMask = sizeof kPasswordMask - 1;
    const std::size_t start = out.size();
    out.resize(start + 24 + 2 + std::size(kColumns) + kMask + size + 1);
    char* to = out.data() + start;
    to = std::to_chars(to, to + 24, row).ptr;
    *to++ = '\t';
    if (due) *to++ = '!';
    for (const Column& column : kColumns) {
        *to++ = '\t';
        if (IsPassword(column)) {
            to = std::copy_n(kPasswordMask, kMask, to);
        } else {
            to = CopyPlainCell(entry.*column.field, to);
        }
    }
    *to++ = '\n';
    out.resize(static_cast<std::size_t>(to - out.data()));
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

namespace {

// A JSON string as nlohmann::json's dump writes one: UTF-8 kept, the quote, the backslash and
// control characters escaped (\u00xx in small letters where no short form exists).
void AppendJsonString(std::string& out, std::u16string_view text) {
    out += '"';
    const auto plain = [](char16_t unit) {
        return unit >= 0x20 && unit < 0x80 && unit != u'"' && unit != u'\\';
    };
    if (std::all_of(text.begin(), text.end(), plain)) {
        for (const char16_t unit : text) out += static_cast<char>(unit);
    } else {
        for (const char c : Utf16ToUtf8(text)) {
            switch (c) {
                case '"':
                    out += "\\\"";
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                case '\b':
                    out += "\\b";
                    break;
                case '\f':
                    out += "\\f";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        constexpr char kHex[] = "0123456789abcdef";
                        out += "\\u00";
                        out += kHex[(c >> 4) & 15];
                        out += kHex[c & 15];
                    } else {
                        out += c;
                    }
            }
        }
    }
    out += '"';
}

}  // namespace

void AppendListJson(std::string& out, std::size_t row, const Entry& entry, bool due) {
    out += out.empty() ? "[\n" : ",\n";
    out += "  {\n    \"row\": ";
    char digits[24];
    out.append(digits, std::to_chars(std::begin(digits), std::end(digits), row).ptr);
    for (const Column& column : kColumns) {
        if (IsPassword(column)) continue;
        out += ",\n    \"";
        out += column.key;
        out += "\": ";
        AppendJsonString(out, entry.*column.field);
    }
    out += due ? ",\n    \"expiresSoon\": true\n  }" : ",\n    \"expiresSoon\": false\n  }";
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
