#include "cli/import_rows.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <unordered_set>

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

// Unknown column names or keys, each named once, in the order they first appear.
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

// The rows of a JSON array, read as the parser walks the text (no document is built): each object
// of the array becomes a row once it ends; anything else in the array is a row with a fault.
class JsonRowReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    JsonRowReader(ImportTable& table, const RowSink& onRow) : ignored_(table.ignoredColumns), onRow_(onRow) {}

    bool null() override { return scalar(); }
    bool boolean(bool) override { return scalar(); }
    bool number_integer(number_integer_t) override { return scalar(); }
    bool number_unsigned(number_unsigned_t) override { return scalar(); }
    bool number_float(number_float_t, const string_t&) override { return scalar(); }
    bool binary(binary_t&) override { return scalar(); }
    bool string(string_t& value) override {
        if (depth_ == 2 && inRow_) {
            take(&value);
            return true;
        }
        return scalar();
    }
    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& name) override {
        if (depth_ == 2 && inRow_) key_ = name;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        failed_ = true;
        return false;
    }

    bool failed() const { return failed_; }
    bool notAnArray() const { return notArray_; }

private:
    // A value in the array: a row of its own (with a fault); in a row: the value of the last key.
    bool scalar() {
        if (depth_ == 0) {
            notArray_ = true;
        } else if (depth_ == 1 && !notArray_) {
            faultRow("not a JSON object");
        } else if (depth_ == 2 && inRow_) {
            take(nullptr);
        }
        return true;
    }
    bool open(bool object) {
        if (depth_ == 0 && object) notArray_ = true;
        if (depth_ == 1 && !notArray_) {
            if (object) {
                row_ = ImportRow{};
                row_.where = "entry " + std::to_string(++index_);
                inRow_ = true;
            } else {
                faultRow("not a JSON object");
            }
        } else if (depth_ == 2 && inRow_) {
            take(nullptr);  // an object or array as a value: not a text
        }
        ++depth_;
        return true;
    }
    bool close() {
        --depth_;
        if (depth_ == 1 && inRow_) {
            inRow_ = false;
            onRow_(std::move(row_));
        }
        return true;
    }
    void faultRow(const char* fault) {
        ImportRow row;
        row.where = "entry " + std::to_string(++index_);
        row.fault = fault;
        onRow_(std::move(row));
    }
    // The value of key_ in the current row: a text (value), or anything else (nullptr).
    void take(const std::string* value) {
        if (key_ == "row") return;
        const auto known = std::find_if(std::begin(kJsonKeys), std::end(kJsonKeys),
                                        [this](const JsonKey& k) { return key_ == k.key; });
        if (known == std::end(kJsonKeys)) {
            ignored_.add(key_);
            return;
        }
        if (value == nullptr) {
            if (!row_.fault) row_.fault = "\"" + key_ + "\" is not a text";
            return;
        }
        // The parser has already refused text that is not valid UTF-8.
        row_.fields.*known->field = FromUtf8Lenient(*value);
    }

    IgnoredNames ignored_;
    const RowSink& onRow_;
    int depth_ = 0;
    bool inRow_ = false;
    bool notArray_ = false;
    bool failed_ = false;
    std::size_t index_ = 0;
    std::string key_;
    ImportRow row_;
};

}  // namespace

ImportTable ReadCsvRows(std::string_view text, const RowSink& onRow) {
    ImportTable table;
    CsvReader reader(text);
    CsvRecord header;
    if (!reader.next(header)) {
        table.error = reader.error() ? "line " + std::to_string(reader.error()->line) + ": " + reader.error()->reason
                                     : std::string("the file has no header row");
        return table;
    }

    std::vector<ColumnUse> uses(header.fields.size());
    std::vector<std::u16string Entry::*> taken;
    IgnoredNames ignored(table.ignoredColumns);
    for (std::size_t column = 0; column < header.fields.size(); ++column) {
        const std::string name = AsciiLower(header.fields[column]);
        const auto known = std::find_if(std::begin(kCsvColumns), std::end(kCsvColumns),
                                        [&name](const KnownColumn& c) { return name == c.name; });
        const bool usable =
            known != std::end(kCsvColumns) &&
            (known->field == nullptr || std::find(taken.begin(), taken.end(), known->field) == taken.end());
        if (!usable) {
            ignored.add(header.fields[column]);
            continue;
        }
        if (known->field == nullptr) continue;
        taken.push_back(known->field);
        uses[column] = {known->field, known->groupPath};
    }

    CsvRecord record;
    while (reader.next(record)) {
        ImportRow row;
        row.where = "line " + std::to_string(record.line);
        for (std::size_t column = 0; column < record.fields.size() && column < uses.size(); ++column) {
            if (uses[column].field == nullptr) continue;
            const std::optional<std::u16string> value = FromUtf8(record.fields[column]);
            if (!value) {
                if (!row.fault) row.fault = "column \"" + header.fields[column] + "\" is not valid UTF-8 text";
                continue;
            }
            row.fields.*uses[column].field = uses[column].groupPath ? LastGroupPart(*value) : *value;
        }
        onRow(std::move(row));
    }
    if (reader.error()) table.error = "line " + std::to_string(reader.error()->line) + ": " + reader.error()->reason;
    return table;
}

ImportTable ReadJsonRows(std::string_view text, const RowSink& onRow) {
    ImportTable table;
    JsonRowReader reader(table, onRow);
    nlohmann::json::sax_parse(text.begin(), text.end(), &reader);
    if (reader.failed()) {
        table.error = "the file is not valid JSON";
    } else if (reader.notAnArray()) {
        table.error = "the file does not hold a JSON array of entries";
    }
    return table;
}

ImportTable RowsFromCsv(std::string_view text) {
    std::vector<ImportRow> rows;
    ImportTable table = ReadCsvRows(text, [&rows](ImportRow&& row) { rows.push_back(std::move(row)); });
    table.rows = std::move(rows);
    return table;
}

ImportTable RowsFromJson(std::string_view text) {
    std::vector<ImportRow> rows;
    ImportTable table = ReadJsonRows(text, [&rows](ImportRow&& row) { rows.push_back(std::move(row)); });
    table.rows = std::move(rows);
    return table;
}

}  // namespace keyloft::cli
