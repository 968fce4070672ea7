#pragma once
// The edits of the open profile: entries, categories, the security setup and the form saves
// write, and the merge of conflict copies through the one planner. Each checks with the rules of
// store/entry.h (or the setup's), applies the change to the open profile and saves it through
// OpenProfile::save.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/entry.h"
#include "store/open_profile.h"
#include "store/profile_results.h"

namespace keyloft {

class ProfileEdits {
  public:
    explicit ProfileEdits(OpenProfile& open);
    ProfileEdits(const ProfileEdits&) = delete;
    ProfileEdits& operator=(const ProfileEdits&) = delete;

    // Edits of the profile: each checks with the rules of store/entry.h, applies, writes the
    // profile and returns what happened. A changed entry or a renamed category moves to the end,
    // as it always has in the file. Positions are 1-based; a position that names nothing changes
    // nothing, but the profile is still written (the window's Delete of a row gone meanwhile).
    EditResult addEntry(const TypedEntry& typed, const ExpiryDateReader& dates);
    EditResult changeEntry(std::size_t position, const TypedEntry& typed, const ExpiryDateReader& dates);
    EditResult removeEntry(std::size_t position);
    EditResult addCategory(std::u16string_view name);
    // position 0 adds the category.
    EditResult renameCategory(std::size_t position, std::u16string_view name);
    EditResult removeCategory(std::size_t position);
    // The separator's refusal comes first; then of the logon details the last check that fails
    // (password, user ID, PIN, confirmation); then the questions.
    EditResult changeSecurity(const SecuritySettings& settings);

    // The form the next saves write (OpenProfile::sealed), as the security setup chose it.
    void setSealed(bool seal);
    // True when the present password has been stored in the usual form (the loaded file, or a save
    // since): changeSecurity seals only with a new one (kReadablePasswordRefusal).
    bool sealingNeedsNewPassword() const;
    // Whether this user chose to keep the loaded profile's file in the usual form (store/profile_history.h).
    bool keptReadable();
    void setKeptReadable(bool kept);

    // Reads the conflict copies of the loaded profile that a file-sync engine left in the folder
    // (those named in `fileNames`, all when it is empty), each once and with the logon of the loaded
    // profile, and plans their merge (store/conflict_copies.h says which copies are merged). Copies
    // that nothing shows to be of this profile are left out of the plan. Only after logon.
    ConflictMerge readConflictCopies(const std::vector<std::u16string>& fileNames = {});
    // Plans the merge again with those copies taken in: the user said they are copies of this one.
    void includeUnprovenCopies(ConflictMerge& merge);
    // Carries the plan out: adds what only the copies hold, saves once (a merged profile is written
    // at a version newer than each copy), and only after that save removes the merged copies, each
    // only while its name still bears the file that was read. Nothing for a plan of another session.
    MergeResult mergeConflictCopies(ConflictMerge& merge);

  private:
    friend class EntryImport;  // store/entry_import.h: adds rows in memory, saved once

    using State = OpenProfile::State;
    bool forgotten() const;
    const Profile& profile() const { return open_.profile(); }
    Profile& editableProfile();  // the one way to change the Profile
    SaveResult save();
    EditResult saveEdit(EditResult result);
    EditResult storeEntry(std::size_t position, const TypedEntry& typed, const ExpiryDateReader& dates);
    void planMerge(ConflictMerge& merge) const;

    OpenProfile& open_;
    State* state_;  // the open profile's
};

}  // namespace keyloft
