#include "store/profile_store.h"

#include <utility>

namespace keyloft {

ProfileStore::ProfileStore(UiHost& host, FileSystem& files, SettingsStore& settings, const Clock& clock,
                           std::filesystem::path applicationFolder,
                           std::filesystem::path defaultDatabaseFolder, sealed::Limits sealingLimits)
    : folder_(files, settings, clock, std::move(applicationFolder), std::move(defaultDatabaseFolder)),
      open_(folder_, host, files, settings, clock, sealingLimits),
      edits_(open_) {}

}  // namespace keyloft
