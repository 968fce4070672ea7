// The import readers: the first input byte chooses CSV (even) or JSON (odd), the
// rest is the file. Checks: a CSV document that reads without a fault, written again with every
// field quoted, reads back to the same records; every row the import would check has a place to
// report (its line or position) and a field that is not valid text is reported, never passed on.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/import_rows.h"
#include "store/csv_reader.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "import check failed: %s\n", what);
    std::abort();
}

std::string Quoted(std::string_view field) {
    std::string out = "\"";
    for (const char c : field) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

void CheckCsvRoundTrip(std::string_view text) {
    const keyloft::CsvDocument read = keyloft::ReadCsv(text);
    if (read.error) return;
    std::string written;
    for (const keyloft::CsvRecord& record : read.records) {
        for (std::size_t i = 0; i < record.fields.size(); ++i) {
            if (i > 0) written += ',';
            written += Quoted(record.fields[i]);
        }
        written += "\r\n";
    }
    const keyloft::CsvDocument again = keyloft::ReadCsv(written);
    if (again.error) Fail("a document written with quoted fields does not read");
    if (again.records.size() != read.records.size()) Fail("the records changed in number");
    for (std::size_t r = 0; r < read.records.size(); ++r) {
        if (again.records[r].fields != read.records[r].fields) Fail("a record reads back otherwise");
    }
}

void CheckRows(const keyloft::ImportTable& table) {
    for (const keyloft::ImportRow& row : table.rows) {
        if (row.where.empty()) Fail("a row without its place");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        CheckCsvRoundTrip(text);
        CheckRows(keyloft::RowsFromCsv(text));
    } else {
        CheckRows(keyloft::RowsFromJson(text));
    }
    return 0;
}
