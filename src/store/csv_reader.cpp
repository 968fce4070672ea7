#include "store/csv_reader.h"

namespace keyloft {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

CsvReader::CsvReader(std::string_view text, std::size_t maxFields) : text_(text), maxFields_(maxFields) {
    if (text_.starts_with(kUtf8Bom)) pos_ = kUtf8Bom.size();
}

bool CsvReader::next(CsvRecord& record) {
    record.fields.clear();
    if (error_) return false;
    while (pos_ < text_.size()) {
        if (atLineBreak()) {  // an empty line
            skipLineBreak();
            continue;
        }
        record.line = line_;
        return readRecord(record);
    }
    return false;
}

bool CsvReader::atLineBreak() const { return text_[pos_] == '\n' || text_[pos_] == '\r'; }

void CsvReader::skipLineBreak() {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
}

// Reads fields up to the end of the record, leaving pos_ after its line break. False on a fault.
bool CsvReader::readRecord(CsvRecord& record) {
    while (true) {
        if (record.fields.size() == maxFields_) {
            error_ =
                CsvError{record.line, "the row has more than " + std::to_string(maxFields_) + " columns"};
            return false;
        }
        std::string field;
        if (pos_ < text_.size() && text_[pos_] == '"') {
            if (!readQuoted(field)) return false;
        } else {
            const std::size_t end = text_.find_first_of(",\r\n", pos_);
            const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
            field.assign(text_.substr(pos_, stop - pos_));
            pos_ = stop;
        }
        record.fields.push_back(std::move(field));
        if (pos_ >= text_.size()) return true;
        if (text_[pos_] == ',') {
            ++pos_;
            continue;
        }
        skipLineBreak();
        return true;
    }
}

bool CsvReader::readQuoted(std::string& field) {
    const std::size_t startLine = line_;
    ++pos_;  // the opening quote
    while (true) {
        const std::size_t quote = text_.find('"', pos_);
        if (quote == std::string_view::npos) {
            error_ = CsvError{startLine, "a quoted field is not closed"};
            return false;
        }
        countLines(text_.substr(pos_, quote - pos_));
        field.append(text_.substr(pos_, quote - pos_));
        pos_ = quote + 1;
        if (pos_ < text_.size() && text_[pos_] == '"') {  // "" inside quotes
            field.push_back('"');
            ++pos_;
            continue;
        }
        if (pos_ < text_.size() && text_[pos_] != ',' && !atLineBreak()) {
            error_ = CsvError{line_, "text follows the closing quote of a field"};
            return false;
        }
        return true;
    }
}

// Line breaks inside a quoted field: CR LF, LF and a lone CR each count once.
void CsvReader::countLines(std::string_view part) {
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (part[i] == '\n') {
            ++line_;
        } else if (part[i] == '\r') {
            ++line_;
            if (i + 1 < part.size() && part[i + 1] == '\n') ++i;
        }
    }
}

CsvDocument ReadCsv(std::string_view text) {
    CsvDocument document;
    CsvReader reader(text);
    CsvRecord record;
    while (reader.next(record)) document.records.push_back(std::move(record));
    document.error = reader.error();
    return document;
}

}  // namespace keyloft
