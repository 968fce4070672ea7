#pragma once
// The step every profile command shares: the storage set up on the chosen folder, the profile
// loaded (and held) as the window loads it, and the logon details its logon mode demands.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/terminal_host.h"
#include "store/clock.h"
#include "store/profile_store.h"

namespace keyloft {
class FileSystem;
class SettingsStore;
}  // namespace keyloft

namespace keyloft::cli {

struct GlobalOptions {
    std::optional<std::string> database;  // --database DIR (UTF-8)
    bool assumeYes = false;               // --yes
    double waitSeconds = 10;              // --wait: how long to wait for a profile another user holds
};

class Session {
public:
    Session(const GlobalOptions& options, Console& console);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The database folder settled: --database, else the "Database" setting, else the default
    // folder (platform::DefaultDatabaseFolder). kExitOk, or an exit code after the reason was printed.
    int settleFolder();
    // settleFolder, load the profile and check the logon details.
    int openAndLogOn(const std::u16string& profileName);
    // Writes the Profile; kExitOk when saved, else the exit code of what happened instead.
    int save();

    ProfileStore& store() { return *store_; }
    Profile& profile() { return store_->profile(); }
    TerminalHost& host() { return host_; }
    Console& console() { return console_; }

private:
    int logOn();

    const GlobalOptions& options_;
    Console& console_;
    TerminalHost host_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<SettingsStore> settings_;
    SystemClock clock_;
    std::unique_ptr<ProfileStore> store_;
};

}  // namespace keyloft::cli
