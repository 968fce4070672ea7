#pragma once
// An import of many rows into the loaded profile (another password manager's export, a pass
// store), written by one save. The command-line import and the window's import both go through it.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/profile.h"
#include "store/profile_edits.h"

namespace keyloft {

class ExpiryDateReader;

enum class ImportOutcome {
    Added,      // checked and added in memory
    Duplicate,  // equal in every field, the password and notes included, to an entry the profile
                // held before the import or to one this import added (a row twice in a file): skipped
    Refused,    // a rule refused it: nothing of it was added
};

struct ImportRowResult {
    ImportOutcome outcome = ImportOutcome::Refused;
    std::u16string refusal;    // for Refused: the rule's message
    bool newCategory = false;  // for Added: the row's category was new and was added with it
    bool badExpiry = false;    // for Refused: the expiry date is no date (the one check that failed)
};

class EntryImport {
  public:
    // A dry run checks and counts every row as the import would (a preview), and changes nothing.
    EntryImport(ProfileEdits& edits, const ExpiryDateReader& dates, bool dryRun = false);
    ~EntryImport();
    EntryImport(const EntryImport&) = delete;
    EntryImport& operator=(const EntryImport&) = delete;

    // Checks one row as the entry editor checks an entry (no confirmation: the password is its
    // own), its category as the category page checks a new name. The category is matched without
    // regard to letter case and takes the stored name; an empty category and "<None>" are none; a
    // category the profile has in no case is added with the row. The row goes to the end of the
    // profile, in memory only, until save().
    ImportRowResult add(const Entry& row);
    // A category without entries (an empty group of the file), checked and added as add() adds a
    // row's category; nothing when the profile has it in any letter case. The refusal's message.
    std::optional<std::u16string> addCategory(const std::u16string& name);

    std::size_t added() const { return added_; }
    std::size_t newCategories() const { return newCategories_; }
    std::size_t duplicates() const { return duplicates_; }
    bool changed() const { return added_ > 0 || newCategories_ > 0; }

    // Writes the profile with every row added, as save() writes it.
    SaveResult save();
    // Takes every row and category added back out of the profile, writing nothing (an import
    // refused as a whole).
    void abandon();

  private:
    // The stored name of the category `name` is matched to, ignoring letter case: one the profile
    // has or one this import adds; null when neither.
    const std::u16string* knownCategory(const std::u16string& name) const;
    // True when the profile held an entry equal to `entry` in every field before the import, or
    // this import added one.
    bool seen(const Entry& entry) const;
    void remember(const Entry& entry);

    ProfileEdits& edits_;
    const ExpiryDateReader& dates_;
    bool dryRun_;
    std::unordered_map<std::u16string, std::u16string> addedCategories_;  // folded name -> name
    // Where each entry the profile held before the import (or this import added) is, by a hash of
    // its fields that are not secret: a row is compared with the profile's own entry, so no copy of
    // one is kept. A dry run keeps the rows it would add in previewed_ (wiped when it ends), at
    // positions from entriesBefore_ on.
    std::unordered_multimap<std::size_t, std::size_t> heldPositions_;
    std::vector<Entry> previewed_;
    std::size_t entriesBefore_ = 0;
    std::size_t categoriesBefore_ = 0;
    std::size_t added_ = 0;
    std::size_t newCategories_ = 0;
    std::size_t duplicates_ = 0;
};

}  // namespace keyloft
