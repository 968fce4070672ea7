#include "cli/entry.h"

#include "cli/expiry_date.h"
#include "cli/text.h"

namespace keyloft::cli {
namespace {

bool HasBar(std::u16string_view text) { return text.find(kFieldSeparator) != std::u16string_view::npos; }

}  // namespace

EntryFields ParseEntryRecord(std::u16string_view record) {
    std::vector<std::u16string> fields = SplitFields(record);
    fields.resize(kEntryEmail + 1);
    EntryFields entry;
    entry.category = fields[kEntryCategory];
    entry.description = fields[kEntryDescription];
    entry.userCode = fields[kEntryUserCode];
    entry.password = fields[kEntryPassword];
    entry.notes = fields[kEntryNotes];
    entry.expiryDate = fields[kEntryExpiryDate];
    entry.webSite = fields[kEntryWebSite];
    entry.email = fields[kEntryEmail];
    return entry;
}

std::u16string BuildEntryRecord(const EntryFields& e) {
    return JoinFields({u"4", e.category, e.description, e.userCode, e.password, e.notes, e.expiryDate,
                       e.webSite, e.email});
}

EntryCheck CheckEntry(const EntryDraft& draft) {
    const EntryFields& typed = draft.fields;
    EntryCheck check;
    if (TrimBlanks(typed.userCode).empty()) {
        check.refusal = kUserCodeRequired;
        return check;
    }
    const std::u16string password = TrimBlanks(typed.password);
    check.passwordBlank = password.empty();
    if (password != TrimBlanks(draft.confirmation)) {
        check.refusal = kPasswordMismatch;
        return check;
    }
    const std::optional<std::u16string> expiry = NormalizeExpiryDate(typed.expiryDate);
    if (!expiry) {
        check.refusal = kInvalidExpiry;
        return check;
    }
    EntryFields stored;
    stored.category = TrimBlanks(typed.category);
    stored.description = TrimBlanks(typed.description);
    stored.userCode = TrimBlanks(typed.userCode);
    stored.password = password;
    stored.notes = TrimBlanks(typed.notes);
    stored.expiryDate = *expiry;
    stored.webSite = typed.webSite;
    stored.email = typed.email;
    for (const std::u16string* field :
         {&stored.category, &stored.description, &stored.userCode, &stored.password, &stored.notes,
          &stored.expiryDate, &stored.webSite, &stored.email}) {
        if (HasBar(*field)) {
            check.refusal = kBarInEntry;
            return check;
        }
    }
    check.record = BuildEntryRecord(stored);
    return check;
}

std::optional<std::u16string> CheckCategoryName(const CategoryList& categories,
                                                std::u16string_view trimmedName,
                                                std::size_t excluding) {
    if (trimmedName.empty()) return std::u16string(kCategoryMissing);
    if (HasBar(trimmedName)) return std::u16string(kBarInName);
    const std::u16string folded = FoldCase(trimmedName);
    for (std::size_t position = 1; position <= categories.size(); ++position) {
        if (position == excluding) continue;
        if (FoldCase(categories.at(position).name()) == folded) return std::u16string(kCategoryExists);
    }
    return std::nullopt;
}

std::size_t FindCategory(const CategoryList& categories, std::u16string_view name) {
    if (name.empty()) return 0;
    for (std::size_t position = 1; position <= categories.size(); ++position)
        if (categories.at(position).name() == name) return position;
    return 0;
}

}  // namespace keyloft::cli
