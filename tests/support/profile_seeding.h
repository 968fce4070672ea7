#pragma once
// Setting up the profile a test starts from without going round the store: entries go in through
// its edit, and a whole profile built as a value is written by the store's own writers as the
// file that the test then opens.

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "store/entry.h"
#include "store/expiry_date.h"
#include "store/profile_codec.h"
#include "store/profile_store.h"
#include "store/sealed_profile.h"
#include "store/sealing_rule.h"
#include "support/quick_sealing.h"
#include "support/record_values.h"

namespace keyloft::testing {

// The entry of a record text added through the store's edit as a user would type it (the password
// confirmed): checked, stored at the end and saved.
inline EditResult AddEntryRecord(ProfileStore& store, std::u16string_view record) {
    const Entry entry = EntryOf(record);
    return store.edits().addEntry(TypedEntry{entry, entry.password, false},
                                  ExpiryDateReader(DateOrder::MonthFirst));
}
// The same for a change of the entry at the 1-based `position` (which moves to the end).
inline EditResult ChangeEntryRecord(ProfileStore& store, std::size_t position, std::u16string_view record) {
    const Entry entry = EntryOf(record);
    return store.edits().changeEntry(position, TypedEntry{entry, entry.password, false},
                                     ExpiryDateReader(DateOrder::MonthFirst));
}

// True when the edit was applied and its save went through.
inline bool Saved(const EditResult& edit) { return edit.applied() && edit.save->saved(); }

// The logon details and questions changed through the security setup's edit: `change` is made to a
// copy of the profile, which is then given to the edit as typed (the form of the file stays).
inline EditResult ChangeSecurity(ProfileStore& store, const std::function<void(Profile&)>& change) {
    Profile wanted = store.open().profile();
    change(wanted);
    SecuritySettings typed;
    typed.logonMode = wanted.logonMode;
    typed.userId = wanted.userId;
    typed.password = typed.confirmation = wanted.password;
    typed.pin = wanted.pin;
    typed.questions = wanted.questions;
    typed.answerMode = wanted.answerMode;
    typed.seal = store.open().sealed();
    return store.edits().changeSecurity(typed);
}

// The bytes of the file a save of `profile` writes at its version: the usual form, or the sealed
// one with the quickest key slots (and the answer slots of the sealing rule).
inline std::string ProfileFileBytes(const Profile& profile, bool seal = false,
                                    const sealed::Limits& limits = kQuickSealing) {
    if (seal) {
        std::unique_ptr<sealed::Keys> keys;
        return JoinFileLines(
            sealed::SealProfile(profile, profile.version, keys, limits, PlanAnswerSlots(profile, u"").made));
    }
    return JoinFileLines(EncodeProfile(profile, profile.version, KeyTimeText(36000), false).lines);
}

// Writes those bytes beside the profile file and puts them in its place with one rename, as a save does.
inline void WriteProfileFile(const std::filesystem::path& file, const Profile& profile, bool seal = false,
                             const sealed::Limits& limits = kQuickSealing) {
    std::filesystem::path written = file;
    written += ".seeding";
    std::ofstream(written, std::ios::binary | std::ios::trunc) << ProfileFileBytes(profile, seal, limits);
    std::filesystem::rename(written, file);
}

// What a save of the loaded profile with `change` made to it would write, written over its file by
// the store's writer, for content no edit can make (records an older program wrote, a version):
// the next version, in the form the store saves. The store lets go of the file and keeps what it
// had loaded; it reads the new file at its next load.
inline void RewriteProfileFile(ProfileStore& store, const std::function<void(Profile&)>& change,
                               const sealed::Limits& limits = kQuickSealing) {
    Profile changed = store.open().profile();
    changed.version = NextVersion(changed.version);
    change(changed);
    store.open().closeHeldFile();
    WriteProfileFile(store.folder().databaseFolder() / (store.open().profileName() + u".dat"), changed,
                     store.open().sealed(), limits);
}

// The same, and then the store loads the new file (a profile in the usual form, or one logged on).
inline OpenResult RewriteAndReload(ProfileStore& store, const std::function<void(Profile&)>& change) {
    RewriteProfileFile(store, change);
    return store.open().reload();
}

}  // namespace keyloft::testing
