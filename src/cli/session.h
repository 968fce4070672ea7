#pragma once
// The step every profile command shares: the storage set up on the chosen folder, the profile
// loaded (and held) as the window loads it, and the logon details its logon mode demands.

#include <filesystem>
#include <functional>
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

class Session;

struct GlobalOptions {
    std::optional<std::string> database;  // --database DIR (UTF-8)
    bool assumeYes = false;               // --yes
    double waitSeconds = 10;              // --wait: how long to wait for a profile another user holds
    Session* shell = nullptr;             // inside `shell`: its logged-on session, which commands use
};

// Inside `shell` (options.shell set) a command's Session works on the shell's: the folder is
// settled, the logon done once (one key derivation for a sealed profile); opening holds the file
// again until the command ends, and reads it again only when it changed.
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
    // What a save's result means, its messages printed: kExitOk when saved, else the exit code.
    // `retrying`: a conflict is followed by another attempt, so it is not said that nothing was
    // written.
    int reportSave(const SaveResult& result, bool retrying = false);
    // What an edit of the store did: its refusal said (kExitFailure), or its save reported as save
    // reports it.
    int finish(const EditResult& edit);
    // A result that needs an answer (a replaced file) answered by the host, and the store's answer.
    OpenResult answered(OpenResult result);
    SaveResult answered(SaveResult result);

    // The shell's step before each command: the profile's file held again and, when it changed,
    // loaded again (OpenProfile::reloadIfChanged) and the logon checked against it (a
    // colleague may have changed it): the details typed at the logon against a file in the usual
    // form; a sealed file opens with the data key held, and keys made anew ask for the logon again
    // on a terminal and end the shell otherwise.
    int reopen(double waitSeconds);
    // The shell's profile was dropped at a reopen (the user did not open a replaced file): the
    // shell ends.
    bool ended() const { return ended_; }

    ProfileStore& store() { return shell_ != nullptr ? shell_->store() : *store_; }
    const Profile& profile() { return store().open().profile(); }
    TerminalHost& host() { return shell_ != nullptr ? shell_->host() : host_; }
    Console& console() { return console_; }

  private:
    int logOn();
    // The logon details the logon mode asks for, read into typed_; kExitOk, or the exit code.
    int readLogon(std::int32_t logonMode);
    // What the logon step's outcome means for the command.
    int logonResult(LogonOutcome outcome);
    // A sealed file: its key made with the file let go, then the file loaded again and opened.
    int logOnSealed(const std::u16string& profileName, const sealed::SealedFile& file);
    OpenResult openProfile(const std::u16string& profileName);
    // Runs `attempt` until it finds the profile not in use by another user or --wait runs out.
    OpenResult waitWhileInUse(const std::u16string& profileName, double waitSeconds,
                              const std::function<OpenResult()>& attempt);

    const GlobalOptions& options_;
    Console& console_;
    Session* shell_ = nullptr;
    TerminalHost host_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<SettingsStore> settings_;
    SystemClock clock_;
    std::unique_ptr<ProfileStore> store_;
    LogonDetails typed_;  // kept for reopen; wiped with the session
    bool ended_ = false;
};

}  // namespace keyloft::cli
