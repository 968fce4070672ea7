#include "cli/cli_app.h"

#include <iostream>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "keyloft_version.h"

namespace keyloft::cli {

int RunCli(int argc, char** argv) {
    CLI::App app("keyloft-cli: list, check, edit, import and export Keyloft profiles from the command line.\n"
                 "Logon details and entry passwords are read from the terminal without echo, or one\n"
                 "per line from standard input when it is not a terminal; never from the command line.",
                 "keyloft-cli");
    app.set_version_flag("--version", KEYLOFT_VERSION_STRING);
    app.require_subcommand(1);
    app.footer(kExitCodeHelp);

    GlobalOptions options;
    app.add_option("--database", options.database,
                   "Folder of the profile files (default: the \"Database\" setting, else the program's folder)")
        ->check(Utf8Text());
    app.add_flag("--yes,-y", options.assumeYes, "Answer yes to every question");
    app.add_option("--wait", options.waitSeconds,
                   "Seconds to wait for a profile that another user has open (default 10; 0: fail at once)")
        ->check(CLI::Range(0.0, 86400.0));

    std::vector<std::unique_ptr<Command>> commands;
    for (auto make : {MakeProfilesCommand, MakeCreateCommand, MakeDeleteCommand, MakeVerifyCommand,
                      MakeListCommand, MakeShowCommand, MakeAddCommand, MakeEditCommand,
                      MakeRemoveCommand, MakeCategoriesCommand, MakeExportCommand,
                      MakeImportCommand, MakeGenerateCommand, MakeSealCommand, MakeUnsealCommand,
                      MakeConflictsCommand, MakeMergeCommand})
        commands.push_back(make());
    std::vector<CLI::App*> subcommands;
    for (const auto& command : commands) {
        CLI::App* sub = command->addTo(app);
        sub->fallthrough();  // --database, --yes and --wait may also follow the command
        sub->footer(kExitCodeHelp);
        subcommands.push_back(sub);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "keyloft-cli: " << e.what() << " (see keyloft-cli --help)" << std::endl;
        return kExitUsage;
    }

    Console console;
    for (std::size_t i = 0; i < commands.size(); ++i)
        if (subcommands[i]->parsed()) return commands[i]->run(options, console);
    return kExitUsage;
}

}  // namespace keyloft::cli
