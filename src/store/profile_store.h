#pragma once
// The profile storage as the window and the command-line tool build it: the database folder
// (ProfileFolder), the profile that is open in it (OpenProfile) and the edits of that profile
// (ProfileEdits), each calling only the ones below it. This owner holds the three and hands them
// out; it does nothing of its own.

#include <filesystem>

#include "store/clock.h"
#include "store/open_profile.h"
#include "store/profile_edits.h"
#include "store/profile_folder.h"
#include "store/profile_results.h"
#include "store/sealing_limits.h"
#include "store/settings_store.h"
#include "store/ui_host.h"

namespace keyloft {

class FileSystem;

class ProfileStore {
  public:
    // The application folder is where the program is (the "Profiles Missing" question offers it);
    // the default database folder is used while the "Database" setting names none (empty: the
    // application folder). A sealed save that makes new key slots makes them with `sealingLimits`.
    ProfileStore(UiHost& host, FileSystem& files, SettingsStore& settings, const Clock& clock,
                 std::filesystem::path applicationFolder, std::filesystem::path defaultDatabaseFolder = {},
                 sealed::Limits sealingLimits = sealed::DefaultLimits());
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    ProfileFolder& folder() { return folder_; }
    const ProfileFolder& folder() const { return folder_; }
    OpenProfile& open() { return open_; }
    const OpenProfile& open() const { return open_; }
    ProfileEdits& edits() { return edits_; }

  private:
    ProfileFolder folder_;
    OpenProfile open_;  // forgets the profile when the store goes
    ProfileEdits edits_;
};

}  // namespace keyloft
