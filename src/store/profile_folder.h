#pragma once
// The database folder: where it is (the "Database" setting, the "Profiles Missing" question),
// the names of the profiles in it and of their conflict copies, deleting a profile, the two
// settings and the error log. It holds no secret and knows nothing of the open profile.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/clock.h"
#include "store/profile_results.h"
#include "store/settings_store.h"

namespace keyloft {

class FileSystem;  // store/file_system.h

class ProfileFolder {
  public:
    // The application folder is where the program is (the "Profiles Missing" question offers it);
    // the default database folder is used while the "Database" setting names none (empty: the
    // application folder).
    ProfileFolder(FileSystem& files, SettingsStore& settings, const Clock& clock,
                  std::filesystem::path applicationFolder, std::filesystem::path defaultDatabaseFolder = {});
    ProfileFolder(const ProfileFolder&) = delete;
    ProfileFolder& operator=(const ProfileFolder&) = delete;

    std::filesystem::path folderFromSettings();
    // Settles the database folder and returns the profile names in listing order, with the
    // "Profiles Missing" question when there are none. The window fills cboProfile from it and
    // selects the first.
    ProfileList listProfiles();
    // The answer Yes to "Profiles Missing": the application folder is the database folder from now
    // on; its profile names in listing order.
    std::vector<std::u16string> useApplicationFolder();
    // The profile names of the settled database folder, in listing order, without a question. A
    // file whose name cannot be read as text is left out, as listProfiles leaves it out.
    std::vector<std::u16string> profileNames();
    // The profiles of the settled database folder that have conflict copies beside them.
    std::vector<std::u16string> profilesWithConflictCopies();
    // Deletes once confirmed: NotAsked returns NotConfirmed with the question "Are you sure you
    // want to delete the selected profile?" (a bad name is refused before it is asked).
    DeleteResult deleteProfile(std::u16string_view profileName,
                               DeleteConfirmation confirmation = DeleteConfirmation::NotAsked);

    const std::filesystem::path& databaseFolder() const;
    void setDatabaseFolder(std::filesystem::path folder);
    // folder & separator & file name, as the folder's files are named (an empty folder gives a path
    // at the root).
    std::filesystem::path pathOf(std::u16string_view fileName) const;

    // Settings and error log.
    bool readSetting(std::u16string_view name, std::u16string& value);
    bool writeSetting(std::u16string_view name, std::u16string_view value);
    void logError(std::u16string_view operation, std::u16string_view number, std::u16string_view description);

  private:
    FileSystem& files_;
    SettingsStore& settings_;
    const Clock& clock_;
    std::filesystem::path applicationFolder_;      // where the program is
    std::filesystem::path defaultDatabaseFolder_;  // the database folder without a "Database" setting
    std::filesystem::path databaseFolder_;
};

}  // namespace keyloft
