#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

class ProfilesCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        return app.add_subcommand("profiles",
                                  "List the profiles of the database folder, one a line (the folder, and the "
                                  "profiles that have\nconflict copies, are named on standard error)");
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.settleFolder(); code != kExitOk) return code;
        // The tool works on the folder it was given: it never offers the application's folder.
        const std::vector<std::u16string> names = session.store().folder().listProfiles().names;
        // The folder goes to standard error: standard output stays one name a line for scripts.
        Console::printError(
            "Database folder: " + Utf16ToUtf8(session.store().folder().databaseFolder().u16string()) +
            (names.empty() ? " (no profiles yet: keyloft-cli create NAME makes one)" : ""));
        for (const std::u16string& name : names) PrintOut(Utf16ToUtf8(name) + "\n");
        for (const std::u16string& name : session.store().folder().profilesWithConflictCopies())
            Console::printError("keyloft-cli: " + Utf16ToUtf8(name) +
                                " has conflict copies from a file-sync engine (keyloft-cli merge " +
                                Utf16ToUtf8(name) + ")");
        return kExitOk;
    }
};

}  // namespace

std::unique_ptr<Command> MakeProfilesCommand() { return std::make_unique<ProfilesCommand>(); }

}  // namespace keyloft::cli
