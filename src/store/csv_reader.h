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

[[nodiscard]] CsvDocument ReadCsv(std::string_view text);

}  // namespace keyloft
