#include "store/entry_import.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "store/entry.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// Equal entries hash alike; the password and the notes are left out.
std::size_t OpenFieldsHash(const Entry& entry) {
    const std::hash<std::u16string> hash;
    std::size_t combined = 0;
    for (const std::u16string* field : {&entry.category, &entry.description, &entry.userCode,
                                        &entry.expiryDate, &entry.webSite, &entry.email}) {
        combined ^= hash(*field) + 0x9e3779b97f4a7c15ULL + (combined << 6) + (combined >> 2);
    }
    return combined;
}

}  // namespace

EntryImport::EntryImport(ProfileEdits& edits, const ExpiryDateReader& dates, bool dryRun)
    : edits_(edits),
      dates_(dates),
      dryRun_(dryRun),
      entriesBefore_(edits.profile().entries.size()),
      categoriesBefore_(edits.profile().categories.size()) {
    for (std::size_t i = 0; i < entriesBefore_; ++i) {
        heldPositions_.emplace(OpenFieldsHash(edits.profile().entries[i]), i);
    }
}

EntryImport::~EntryImport() {
    for (Entry& entry : previewed_) Wipe(entry);
}

bool EntryImport::seen(const Entry& entry) const {
    const std::vector<Entry>& entries = edits_.profile().entries;  // empty after forget()
    const auto [first, last] = heldPositions_.equal_range(OpenFieldsHash(entry));
    return std::any_of(first, last, [&](const auto& held) {
        if (dryRun_ && held.second >= entriesBefore_)
            return previewed_[held.second - entriesBefore_] == entry;
        return held.second < entries.size() && entries[held.second] == entry;
    });
}

void EntryImport::remember(const Entry& entry) {
    heldPositions_.emplace(OpenFieldsHash(entry), entriesBefore_ + added_ - 1);
}

const std::u16string* EntryImport::knownCategory(const std::u16string& name) const {
    if (const Category* held = edits_.profile().categories.findIgnoringCase(name)) return &held->name;
    const auto added = addedCategories_.find(FoldCase(name));
    return added != addedCategories_.end() ? &added->second : nullptr;
}

ImportRowResult EntryImport::add(const Entry& row) {
    ImportRowResult result;
    std::u16string category(TrimBlanks(row.category));
    if (category == kNoneCategory) category.clear();
    const std::u16string* existing = category.empty() ? nullptr : knownCategory(category);
    const bool adding = !category.empty() && existing == nullptr;
    // No category of that name in any letter case: only the name itself is checked.
    if (adding) {
        if (std::optional<std::u16string> refusal = CheckCategoryNameText(category)) {
            result.refusal = std::move(*refusal);
            return result;
        }
    }
    Entry typed = row;
    typed.category = existing != nullptr ? *existing : category;
    EntryCheck check = CheckEntry(typed, typed.password, dates_);
    if (!check.accepted()) {
        result.badExpiry = check.refusal == EntryCheck::Refusal::InvalidExpiry;
        result.refusal = std::move(check.message);
        return result;
    }
    if (seen(check.stored)) {
        ++duplicates_;
        result.outcome = ImportOutcome::Duplicate;
        return result;
    }
    result.outcome = ImportOutcome::Added;
    ++added_;
    if (adding) {
        result.newCategory = true;
        ++newCategories_;
        addedCategories_.emplace(FoldCase(category), category);
    }
    // A preview keeps only what tells the rows that follow from this one; after forget() nothing
    // is kept and the save that follows writes nothing.
    if (edits_.forgotten()) return result;
    if (dryRun_) {
        previewed_.push_back(std::move(check.stored));
        remember(previewed_.back());
        return result;
    }
    Profile& profile = edits_.editableProfile();
    if (adding) profile.categories.add(category);
    profile.entries.push_back(std::move(check.stored));
    remember(profile.entries.back());
    return result;
}

std::optional<std::u16string> EntryImport::addCategory(const std::u16string& name) {
    std::u16string category(TrimBlanks(name));
    if (category.empty() || category == kNoneCategory || knownCategory(category) != nullptr)
        return std::nullopt;
    if (std::optional<std::u16string> refusal = CheckCategoryNameText(category)) return refusal;
    ++newCategories_;
    addedCategories_.emplace(FoldCase(category), category);
    if (!dryRun_ && !edits_.forgotten()) edits_.editableProfile().categories.add(category);
    return std::nullopt;
}

SaveResult EntryImport::save() { return edits_.save(); }

void EntryImport::abandon() {
    if (!dryRun_ && !edits_.forgotten()) {
        Profile& profile = edits_.editableProfile();
        for (std::size_t i = entriesBefore_; i < profile.entries.size(); ++i) Wipe(profile.entries[i]);
        profile.entries.resize(std::min(profile.entries.size(), entriesBefore_));
        while (profile.categories.size() > categoriesBefore_)
            profile.categories.removeAt(profile.categories.size());
    }
    added_ = newCategories_ = 0;
    addedCategories_.clear();
    for (auto held = heldPositions_.begin(); held != heldPositions_.end();)
        held = held->second >= entriesBefore_ ? heldPositions_.erase(held) : std::next(held);
    for (Entry& entry : previewed_) Wipe(entry);
    previewed_.clear();
}

}  // namespace keyloft
