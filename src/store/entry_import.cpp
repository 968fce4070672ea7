#include "store/entry_import.h"

#include <algorithm>
#include <utility>

#include "store/entry.h"
#include "store/text_convert.h"

namespace keyloft {

EntryImport::EntryImport(ProfileStore& store, const ExpiryDateReader& dates)
    : store_(store),
      dates_(dates),
      held_(store.profile().entries.begin(), store.profile().entries.end()),
      entriesBefore_(store.profile().entries.size()),
      categoriesBefore_(store.profile().categories.size()) {}

ImportRowResult EntryImport::add(const Entry& row) {
    ImportRowResult result;
    const std::u16string category(TrimBlanks(row.category));
    const Category* existing =
        category.empty() ? nullptr : store_.profile().categories.findIgnoringCase(category);
    const bool adding = !category.empty() && existing == nullptr;
    // No category of that name in any letter case: only the name itself is checked.
    if (adding) {
        if (std::optional<std::u16string> refusal = CheckCategoryNameText(category)) {
            result.refusal = std::move(*refusal);
            return result;
        }
    }
    Entry typed = row;
    typed.category = existing != nullptr ? existing->name : category;
    EntryCheck check = CheckEntry(typed, typed.password, dates_);
    if (!check.accepted()) {
        result.refusal = std::move(check.message);
        return result;
    }
    if (held_.count(check.stored) != 0) {
        ++duplicates_;
        result.outcome = ImportOutcome::Duplicate;
        return result;
    }
    result.outcome = ImportOutcome::Added;
    ++added_;
    if (store_.forgotten()) return result;  // nothing is kept; the save that follows writes nothing
    Profile& profile = store_.editableProfile();
    if (adding && profile.categories.add(category)) {
        result.newCategory = true;
        ++newCategories_;
    }
    profile.entries.push_back(std::move(check.stored));
    return result;
}

SaveResult EntryImport::save() { return store_.WriteToFile(); }

void EntryImport::abandon() {
    if (!store_.forgotten()) {
        Profile& profile = store_.editableProfile();
        profile.entries.resize(std::min(profile.entries.size(), entriesBefore_));
        while (profile.categories.size() > categoriesBefore_)
            profile.categories.removeAt(profile.categories.size());
    }
    added_ = newCategories_ = 0;
}

}  // namespace keyloft
