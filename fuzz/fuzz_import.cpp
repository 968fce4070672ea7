// The import readers, through the pipeline that keyloft-cli import and the window share. The first
// input byte chooses: 0 CSV, 1 JSON, 2 any file as --format auto takes it (ZIP archives, KeePass
// XML, the refused kinds), 3 an entry written as KeePass XML and read back; the rest is the file.
// Checks: a CSV document that reads without a fault, written again with every field quoted, reads
// back to the same records; every row keeps its place for the report and the rows stay within the
// limit; an entry exported as KeePass XML without a warning reads back the same.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/import_file.h"
#include "import/import_limits.h"
#include "import/keepass_xml_writer.h"
#include "store/csv_reader.h"
#include "store/expiry_date.h"
#include "store/utf8_text.h"

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

void CheckRows(const keyloft::ImportFile& file) {
    if (file.rows.size() > keyloft::kMaxImportRows) Fail("more rows kept than the limit");
    for (const keyloft::ImportRow& row : file.rows) {
        if (row.where.empty()) Fail("a row without its place");
    }
}

// The text's parts between "|" are the entry's fields, the expiry date left empty.
void CheckKeePassXmlRoundTrip(std::string_view text) {
    keyloft::Entry entry;
    std::u16string* fields[] = {&entry.category, &entry.description, &entry.userCode, &entry.password,
                                &entry.notes,    &entry.webSite,     &entry.email};
    std::size_t i = 0;
    for (char c : text) {
        if (c == '|') {
            if (++i == std::size(fields)) break;
            continue;
        }
        fields[i]->append(keyloft::Utf8ToUtf16(std::string_view(&c, 1)));
    }
    if (entry == keyloft::Entry{}) return;  // no row at all
    keyloft::Profile profile;
    profile.entries = {entry};
    const keyloft::ExpiryDateReader dates(keyloft::DateOrder::DayFirst);
    const keyloft::KeePassXmlExport xml = keyloft::WriteKeePassXml(profile, dates);
    if (!xml.warnings.empty()) return;
    const keyloft::ImportFile file = keyloft::ReadImportBytes(xml.text, keyloft::ImportFormat::KeePassXml);
    if (file.error) Fail("an exported entry does not read back");
    if (file.rows.size() != 1) Fail("an exported entry reads back as another number of rows");
    keyloft::Entry back = file.rows[0].fields;
    if (file.rows[0].userCodeFilledIn && keyloft::TrimBlanks(entry.userCode).empty())
        back.userCode = entry.userCode;
    if (!(back == entry)) Fail("an exported entry reads back otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
        case 0:
            CheckCsvRoundTrip(text);
            CheckRows(keyloft::ReadImportBytes(text, keyloft::ImportFormat::AnyCsv));
            break;
        case 1:
            CheckRows(keyloft::ReadImportBytes(text, keyloft::ImportFormat::AnyJson));
            break;
        case 2:
            CheckRows(keyloft::ReadImportBytes(text, keyloft::ImportFormat::Auto));
            break;
        default:
            CheckKeePassXmlRoundTrip(text);
            break;
    }
    return 0;
}
