#include "cli/import_rows.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "cli/text.h"
#include "store/csv_reader.h"

namespace keyloft::cli {
namespace {

struct KnownColumn {
    const char* name;                    // lower case
    std::u16string Entry::*field;  // nullptr: known, not used
    bool groupPath;
};

constexpr KnownColumn kCsvColumns[] = {
    {"group", &Entry::category, true},
    {"folder", &Entry::category, true},
    {"category", &Entry::category, false},
    {"title", &Entry::description, false},
    {"name", &Entry::description, false},
    {"description", &Entry::description, false},
    {"username", &Entry::userCode, false},
    {"login_username", &Entry::userCode, false},
    {"usercode", &Entry::userCode, false},
    {"password", &Entry::password, false},
    {"login_password", &Entry::password, false},
    {"notes", &Entry::notes, false},
    {"url", &Entry::webSite, false},
    {"login_uri", &Entry::webSite, false},
    {"website", &Entry::webSite, false},
    {"email", &Entry::email, false},
    {"expirydate", &Entry::expiryDate, false},
    {"row", nullptr, false},
};

struct JsonKey {
    const char* key;
    std::u16string Entry::*field;
};

constexpr JsonKey kJsonKeys[] = {
    {"category", &Entry::category}, {"description", &Entry::description},
    {"userCode", &Entry::userCode}, {"password", &Entry::password},
    {"notes", &Entry::notes},       {"expiryDate", &Entry::expiryDate},
    {"webSite", &Entry::webSite},   {"email", &Entry::email},
};

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// "Root/Bank/Cards" -> "Cards"; the last part that is not empty.
std::u16string LastGroupPart(std::u16string_view path) {
    while (!path.empty() && path.back() == u'/') path.remove_suffix(1);
    const std::size_t slash = path.rfind(u'/');
    return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// Where each CSV column goes: its entry field, or nothing.
struct ColumnUse {
    std::u16string Entry::*field = nullptr;
    bool groupPath = false;
};

}  // namespace

ImportTable RowsFromCsv(std::string_view text) {
    ImportTable table;
    const CsvDocument document = ReadCsv(text);
    if (document.error) {
        table.error = "line " + std::to_string(document.error->line) + ": " + document.error->reason;
        return table;
    }
    if (document.records.empty()) {
        table.error = "the file has no header row";
        return table;
    }

    const std::vector<std::string>& header = document.records.front().fields;
    std::vector<ColumnUse> uses(header.size());
    std::vector<std::u16string Entry::*> taken;
    for (std::size_t column = 0; column < header.size(); ++column) {
        const std::string name = AsciiLower(header[column]);
        const auto known = std::find_if(std::begin(kCsvColumns), std::end(kCsvColumns),
                                        [&name](const KnownColumn& c) { return name == c.name; });
        const bool usable =
            known != std::end(kCsvColumns) &&
            (known->field == nullptr || std::find(taken.begin(), taken.end(), known->field) == taken.end());
        if (!usable) {
            if (std::find(table.ignoredColumns.begin(), table.ignoredColumns.end(), header[column]) ==
                table.ignoredColumns.end())
                table.ignoredColumns.push_back(header[column]);
            continue;
        }
        if (known->field == nullptr) continue;
        taken.push_back(known->field);
        uses[column] = {known->field, known->groupPath};
    }

    for (std::size_t r = 1; r < document.records.size(); ++r) {
        const CsvRecord& record = document.records[r];
        ImportRow row;
        row.where = "line " + std::to_string(record.line);
        for (std::size_t column = 0; column < record.fields.size() && column < uses.size(); ++column) {
            if (uses[column].field == nullptr) continue;
            const std::optional<std::u16string> value = FromUtf8(record.fields[column]);
            if (!value) {
                if (!row.fault) row.fault = "column \"" + header[column] + "\" is not valid UTF-8 text";
                continue;
            }
            row.fields.*uses[column].field = uses[column].groupPath ? LastGroupPart(*value) : *value;
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

ImportTable RowsFromJson(std::string_view text) {
    ImportTable table;
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        table.error = "the file is not valid JSON";
        return table;
    }
    if (!document.is_array()) {
        table.error = "the file does not hold a JSON array of entries";
        return table;
    }
    std::size_t index = 0;
    for (const nlohmann::json& item : document) {
        ImportRow row;
        row.where = "entry " + std::to_string(++index);
        if (!item.is_object()) {
            row.fault = "not a JSON object";
            table.rows.push_back(std::move(row));
            continue;
        }
        for (const auto& [key, value] : item.items()) {
            if (key == "row") continue;
            const auto known = std::find_if(std::begin(kJsonKeys), std::end(kJsonKeys),
                                            [&name = key](const JsonKey& k) { return name == k.key; });
            if (known == std::end(kJsonKeys)) {
                if (std::find(table.ignoredColumns.begin(), table.ignoredColumns.end(), key) ==
                    table.ignoredColumns.end())
                    table.ignoredColumns.push_back(key);
                continue;
            }
            if (!value.is_string()) {
                if (!row.fault) row.fault = "\"" + key + "\" is not a text";
                continue;
            }
            // The parser has already refused text that is not valid UTF-8.
            row.fields.*known->field = FromUtf8Lenient(value.get<std::string>());
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

}  // namespace keyloft::cli
