#include "import/import_summary.h"

#include <algorithm>

#include "store/utf8_text.h"

namespace keyloft {

ImportTextRead ReadImportText(std::istream& in, std::string& text) {
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        if (text.size() + n > kMaxImportBytes) return ImportTextRead::TooLarge;
        text.append(buffer, n);
    }
    return in.bad() ? ImportTextRead::Failed : ImportTextRead::Read;
}

std::string TooLargeToImportReason() {
    return "it is larger than " + std::to_string(kMaxImportBytes >> 20) +
           " MiB; import it in parts of that size or less";
}

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::u16string CountedText(std::size_t n, const char* one, const char* many) {
    return FromUtf8Lenient(Counted(n, one, many));
}

std::string ImportSummary::text() const {
    std::string result = "Imported " + Counted(added, "entry", "entries") + " and " +
                         Counted(newCategories, "new category", "new categories");
    if (!filledIn.empty()) result += "; " + std::to_string(filledIn.size()) + " completed with a placeholder";
    if (duplicates > 0) result += "; " + std::to_string(duplicates) + " skipped as duplicates";
    if (!refused.empty()) result += "; " + std::to_string(refused.size()) + " refused";
    return result + ".";
}

void ImportRowInto(EntryImport& import, const ImportRow& row, ImportSummary& summary) {
    const auto refuse = [&](std::u16string_view reason) {
        std::string line = Utf16ToUtf8(TrimBlanks(reason));
        std::replace(line.begin(), line.end(), '\n', ' ');  // one line per row
        summary.refused.push_back(row.where + ": " + line);
    };
    if (row.fault) {
        refuse(FromUtf8Lenient(*row.fault));
        return;
    }
    const ImportRowResult result = import.add(row.fields);
    switch (result.outcome) {
        case ImportOutcome::Added:
            ++summary.added;
            if (result.newCategory) ++summary.newCategories;
            if (row.userCodeFilledIn) summary.filledIn.push_back(row.where);
            break;
        case ImportOutcome::Duplicate:
            ++summary.duplicates;
            break;
        case ImportOutcome::Refused:
            refuse(result.refusal);
            break;
    }
}

}  // namespace keyloft
