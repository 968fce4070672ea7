#include "import/import_rows.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "store/utf8_text.h"

namespace keyloft {
namespace {

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

// The rows of a JSON array, read as the parser walks the text (no document is built): each object
// of the array becomes a row once it ends; anything else in the array is a row with a fault.
class JsonRowReader final : public nlohmann::json_sax<nlohmann::json> {
  public:
    JsonRowReader(ImportTable& table, const RowSink& onRow) : ignored_(table.ignoredColumns), onRow_(onRow) {}

    bool null() override { return scalar(""); }
    bool boolean(bool value) override { return scalar(value ? "true" : "false"); }
    bool number_integer(number_integer_t value) override { return scalar(std::to_string(value)); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(std::to_string(value)); }
    bool number_float(number_float_t, const string_t& text) override { return scalar(text); }
    bool binary(binary_t&) override { return scalar(""); }
    bool string(string_t& value) override {
        if (depth_ == 2 && inRow_) {
            take(&value, true);
            return true;
        }
        return scalar(value);
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
    bool scalar(const std::string& text) {
        if (depth_ == 0) {
            notArray_ = true;
        } else if (depth_ == 1 && !notArray_) {
            faultRow("not a JSON object");
        } else if (depth_ == 2 && inRow_) {
            take(&text, false);
        }
        return true;
    }
    bool open(bool object) {
        if (depth_ == 0 && object) notArray_ = true;
        if (depth_ == 1 && !notArray_) {
            if (object) {
                row_ = RowBuilder("entry " + std::to_string(++index_));
                inRow_ = true;
            } else {
                faultRow("not a JSON object");
            }
        } else if (depth_ == 2 && inRow_) {
            take(nullptr, false);  // an object or array as a value: not a text
        }
        ++depth_;
        return true;
    }
    bool close() {
        --depth_;
        if (depth_ == 1 && inRow_) {
            inRow_ = false;
            row_.finishInto(onRow_);
        }
        return true;
    }
    void faultRow(const char* fault) {
        RowBuilder row("entry " + std::to_string(++index_));
        row.setFault(fault);
        row.finishInto(onRow_);
    }
    // The value of key_ in the current row: a text, another scalar written as text, or an object
    // or array (nullptr). Keys of no field go to the notes; an object or array there is named.
    void take(const std::string* value, bool isText) {
        if (key_ == "row") return;
        const auto known = std::find_if(std::begin(kJsonKeys), std::end(kJsonKeys),
                                        [this](const JsonKey& k) { return key_ == k.key; });
        if (known == std::end(kJsonKeys)) {
            if (value == nullptr) {
                ignored_.add(key_);
            } else {
                row_.addNote(Utf8ToUtf16(key_), Utf8ToUtf16(*value));
            }
            return;
        }
        if (!isText) {
            row_.setFault("\"" + key_ + "\" is not a text");
            return;
        }
        // The parser has already refused text that is not valid UTF-8.
        row_.fields().*known->field = Utf8ToUtf16(*value);
    }

    IgnoredNames ignored_;
    const RowSink& onRow_;
    int depth_ = 0;
    bool inRow_ = false;
    bool notArray_ = false;
    bool failed_ = false;
    std::size_t index_ = 0;
    std::string key_;
    RowBuilder row_{""};
};

}  // namespace

void RowBuilder::addNote(std::u16string_view name, std::u16string_view value) {
    if (TrimBlanks(value).empty()) return;
    if (!lines_.empty()) lines_ += u'\n';
    lines_.append(name).append(u": ").append(value);
}

void RowBuilder::addNoteLines(std::u16string_view lines) {
    while (!lines.empty() && (lines.back() == u'\n' || lines.back() == u'\r')) lines.remove_suffix(1);
    if (TrimBlanks(lines).empty()) return;
    if (!lines_.empty()) lines_ += u'\n';
    lines_.append(lines);
}

void RowBuilder::setOrNote(std::u16string Entry::*field, std::u16string_view name,
                           std::u16string_view value) {
    std::u16string& held = row_.fields.*field;
    if (TrimBlanks(held).empty()) {
        held = value;
    } else if (TrimBlanks(value) != TrimBlanks(held)) {
        addNote(name, value);
    }
}

void RowBuilder::setExpiry(std::u16string_view name, std::u16string_view value) {
    if (TrimBlanks(value).empty()) return;
    if (!TrimBlanks(row_.fields.expiryDate).empty()) {
        addNote(name, value);
        return;
    }
    row_.fields.expiryDate = value;
    row_.expiryName = name;
}

void RowBuilder::droppedValue(std::string_view name) {
    if (!dropped_.empty()) dropped_ += ", ";
    dropped_ += name;
}

void RowBuilder::finishInto(const RowSink& onRow) {
    Entry& f = row_.fields;
    if (!lines_.empty()) {
        if (!TrimBlanks(f.notes).empty()) f.notes += u'\n';
        f.notes += lines_;
    }
    if (!row_.fault && f == Entry{}) {
        if (dropped_.empty()) return;  // nothing in any cell
        row_.fault = "it holds nothing to import but " + dropped_;
    }
    if (TrimBlanks(f.userCode).empty()) {
        f.userCode = kMissingUserCode;
        row_.userCodeFilledIn = true;
    }
    onRow(std::move(row_));
}

ImportTable ReadKeyloftJsonRows(std::string_view text, const RowSink& onRow) {
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

}  // namespace keyloft
