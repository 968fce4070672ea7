#pragma once
// Comma-separated values as RFC 4180 writes them, read from text in memory. Standard C++ only.
//
// - An optional UTF-8 byte order mark at the start is skipped.
// - Records end with CR LF, LF or a lone CR; a line break at the very end adds no record, and
//   lines with nothing on them are skipped.
// - A field that starts with a double quote runs to the next lone double quote: commas and line
//   breaks inside it are kept as they are, and "" stands for one double quote. After the closing
//   quote only a comma or the end of the record may follow.
// - A double quote inside a field that did not start with one is kept as an ordinary character.
// - Field bytes are returned as they are (no check that they are UTF-8).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyloft {

struct CsvRecord {
    std::size_t line = 0;  // 1-based line of the input on which the record starts
    std::vector<std::string> fields;
};

struct CsvError {
    std::size_t line = 0;  // 1-based line on which the fault was found
    std::string reason;
};

struct CsvDocument {
    std::vector<CsvRecord> records;
    std::optional<CsvError> error;  // set when the text is not well-formed; records then holds
                                    // the records read before the faulty one
};

// Reads one record at a time, so that a large file costs the memory of its text and one record.
// Every byte of the text is looked at a fixed number of times. A record of more than `maxFields`
// fields is a fault, found before the record holds more: a line of commas costs no memory.
class CsvReader {
  public:
    explicit CsvReader(std::string_view text, std::size_t maxFields = std::size_t(-1));
    // The next record; false at the end of the text, or at a fault (then error() says which).
    bool next(CsvRecord& record);
    const std::optional<CsvError>& error() const { return error_; }

  private:
    bool atLineBreak() const;
    void skipLineBreak();
    bool readRecord(CsvRecord& record);
    bool readQuoted(std::string& field);
    void countLines(std::string_view part);

    std::string_view text_;
    std::size_t maxFields_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::optional<CsvError> error_;
};

// The whole text at once.
[[nodiscard]] CsvDocument ReadCsv(std::string_view text);

}  // namespace keyloft
