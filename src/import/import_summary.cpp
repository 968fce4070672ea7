#include "import/import_summary.h"

#include <algorithm>

#include "store/utf8_text.h"

namespace keyloft {

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::u16string CountedText(std::size_t n, const char* one, const char* many) {
    return Utf8ToUtf16(Counted(n, one, many));
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
        refuse(Utf8ToUtf16(*row.fault));
        return;
    }
    ImportRowResult result = import.add(row.fields);
    if (result.badExpiry && !row.expiryName.empty()) {
        Entry moved = row.fields;
        if (!TrimBlanks(moved.notes).empty()) moved.notes += u'\n';
        moved.notes += row.expiryName + u": " + moved.expiryDate;
        moved.expiryDate.clear();
        result = import.add(moved);
    }
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
