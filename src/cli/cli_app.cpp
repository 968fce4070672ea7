#include "cli/cli_app.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "cli/exit_codes.h"
#include "keyloft_version.h"
#include "store/work_counts.h"

namespace keyloft::cli {
namespace {

// Every command, by the name its addTo gives it.
struct CommandMaker {
    std::string_view name;
    std::unique_ptr<Command> (*make)();
};
constexpr CommandMaker kCommands[] = {
    {"profiles", MakeProfilesCommand}, {"create", MakeCreateCommand},
    {"delete", MakeDeleteCommand},     {"verify", MakeVerifyCommand},
    {"ls", MakeListCommand},           {"show", MakeShowCommand},
    {"add", MakeAddCommand},           {"edit", MakeEditCommand},
    {"rm", MakeRemoveCommand},         {"categories", MakeCategoriesCommand},
    {"export", MakeExportCommand},     {"import", MakeImportCommand},
    {"generate", MakeGenerateCommand}, {"seal", MakeSealCommand},
    {"unseal", MakeUnsealCommand},     {"logon", MakeLogonCommand},
    {"shell", MakeShellCommand},       {"conflicts", MakeConflictsCommand},
    {"merge", MakeMergeCommand},
};

// keyloft-cli's command line: the global options (parsed into `options`) and every command, or
// only the one named `only` (a line of the shell names its command first: the others would only
// cost the time to build them).
struct CommandLine {
    explicit CommandLine(GlobalOptions& options, std::string_view only = {});

    CLI::App app;
    std::vector<std::unique_ptr<Command>> commands;
    std::vector<CLI::App*> subcommands;
};

CommandLine::CommandLine(GlobalOptions& options, std::string_view only)
    : app("keyloft-cli: list, check, edit, import and export Keyloft profiles from the command line.\n"
          "Logon details, new passwords and PINs, security answers and entry passwords are read from the\n"
          "terminal without echo, or one per line from standard input when it is not a terminal; never\n"
          "from the command line.",
          "keyloft-cli") {
    app.set_version_flag("--version", KEYLOFT_VERSION_STRING);
    app.require_subcommand(1);
    app.footer(kExitCodeHelp);

    app.add_option(
           "--database", options.database,
           "Folder of the profile files (default: the \"Database\" setting, else the program's folder when\n"
           "you may create files there, else your own data folder: ~/.local/share/keyloft,\n"
           "%APPDATA%\\Keyloft on Windows)")
        ->check(Utf8Text());
    app.add_flag("--yes,-y", options.assumeYes, "Answer yes to every question");
    app.add_option("--wait", options.waitSeconds,
                   "Seconds to wait for a profile that another user has open (default 10; 0: fail at once)")
        ->check(CLI::Range(0.0, 86400.0));

    for (const CommandMaker& maker : kCommands) {
        if (!only.empty() && maker.name != only) continue;
        commands.push_back(maker.make());
        CLI::App* sub = commands.back()->addTo(app);
        if (sub->get_name() != maker.name)
            throw std::logic_error("keyloft-cli: the command table names " + std::string(maker.name) +
                                   " wrongly");
        sub->fallthrough();  // --database, --yes and --wait may also follow the command
        sub->footer(kExitCodeHelp);
        subcommands.push_back(sub);
    }
}

// Parses the command line with `parse` and runs the chosen command.
int ParseAndRun(CommandLine& line, const std::function<void()>& parse, const GlobalOptions& options,
                Console& console, bool inShell) {
    try {
        parse();
    } catch (const CLI::CallForHelp& e) {
        return line.app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return line.app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return line.app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "keyloft-cli: " << e.what() << (inShell ? "" : " (see keyloft-cli --help)") << std::endl;
        return kExitUsage;
    }
    if (inShell && line.app["--database"]->count() > 0) {
        Console::printError("keyloft-cli: the shell stays in the folder it was started in: no --database");
        return kExitUsage;
    }
    for (std::size_t i = 0; i < line.commands.size(); ++i)
        if (line.subcommands[i]->parsed()) return line.commands[i]->run(options, console);
    return kExitUsage;
}

}  // namespace

int RunCli(int argc, char** argv) {
    GlobalOptions options;
    CommandLine line(options);
    Console console;
    const int code = ParseAndRun(
        line, [&] { line.app.parse(argc, argv); }, options, console, false);
    // What the run cost, without timing it (for tests and benchmarks).
    if (const char* wanted = std::getenv("KEYLOFT_WORK_COUNTS"); wanted != nullptr && *wanted != '\0') {
        const WorkCounts& counts = ProcessWorkCounts();
        const auto counted = [](std::uint64_t n, const char* what) {
            return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
        };
        Console::printError("keyloft-cli: " + counted(counts.keyDerivations, "key derivation") + ", " +
                            counted(counts.profileLoads, "profile load"));
    }
    return code;
}

int RunShellLine(const std::vector<std::string>& words, const GlobalOptions& shellOptions, Console& console) {
    GlobalOptions options = shellOptions;  // what the line does not give stays as the shell has it
    const bool named = !words.empty() && !words.front().starts_with('-');
    CommandLine line(options, named ? std::string_view(words.front()) : std::string_view());
    if (named && line.subcommands.empty()) {
        Console::printError("keyloft-cli: no command \"" + words.front() + "\" (\"help\" lists them)");
        return kExitUsage;
    }
    std::vector<std::string> reversed(words.rbegin(), words.rend());  // CLI11 takes the last one first
    return ParseAndRun(
        line, [&] { line.app.parse(reversed); }, options, console, true);
}

}  // namespace keyloft::cli
