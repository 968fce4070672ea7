#include "import/profile_import.h"

#include <algorithm>

#include "store/entry.h"
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

std::string ImportSummary::text() const {
    std::string result = "Imported " + Counted(added, "entry", "entries") + " and " +
                         Counted(newCategories, "new category", "new categories");
    if (!filledIn.empty()) result += "; " + std::to_string(filledIn.size()) + " completed with a placeholder";
    if (duplicates > 0) result += "; " + std::to_string(duplicates) + " skipped as duplicates";
    if (!refused.empty()) result += "; " + std::to_string(refused.size()) + " refused";
    return result + ".";
}

ProfileImport::ProfileImport(CategoryList& categories, std::vector<std::u16string>& entries,
                             const ExpiryDateReader& dates, bool dryRun)
    : categories_(categories),
      entries_(entries),
      dates_(dates),
      dryRun_(dryRun),
      held_(entries.begin(), entries.end()) {
    for (const CategoryList::Item& item : categories.items()) rememberCategory(item.name());
}

std::optional<std::u16string> ProfileImport::storedCategory(const std::u16string& name) const {
    if (name.empty() || name == kNoneCategory) return std::u16string();
    if (categoryNames_.count(name) != 0) return name;
    if (const auto folded = categoryByFoldedName_.find(FoldCase(name)); folded != categoryByFoldedName_.end())
        return folded->second;
    return std::nullopt;
}

void ProfileImport::rememberCategory(const std::u16string& name) {
    categoryNames_.insert(name);
    categoryByFoldedName_.emplace(FoldCase(name), name);
}

void ProfileImport::refuse(const ImportRow& row, std::u16string_view reason) {
    std::string line = ToUtf8(TrimBlanks(reason));
    std::replace(line.begin(), line.end(), '\n', ' ');  // one line per row
    summary_.refused.push_back(row.where + ": " + line);
}

void ProfileImport::add(const ImportRow& row) {
    if (row.fault) {
        refuse(row, FromUtf8Lenient(*row.fault));
        return;
    }
    Entry typed = row.fields;
    const std::u16string category(TrimBlanks(row.fields.category));
    const std::optional<std::u16string> existing = storedCategory(category);
    if (!existing) {
        // No category of that name in any letter case: only the name itself is checked.
        if (const auto problem = CheckCategoryNameText(category)) {
            refuse(row, *problem);
            return;
        }
    }
    typed.category = existing ? *existing : category;
    const EntryCheck check = CheckEntry(typed, typed.password, dates_);
    if (!check.accepted()) {
        refuse(row, check.message);
        return;
    }
    std::u16string record = check.stored.toRecord();
    if (held_.count(record) != 0) {
        ++summary_.duplicates;
        return;
    }
    if (!existing) {
        if (!dryRun_) AddNewCategory(categories_, category);
        rememberCategory(category);
        ++summary_.newCategories;
    }
    if (!dryRun_) entries_.push_back(std::move(record));
    ++summary_.added;
    if (row.userCodeFilledIn) summary_.filledIn.push_back(row.where);
}

}  // namespace keyloft
