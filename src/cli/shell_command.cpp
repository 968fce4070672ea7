#include <algorithm>
#include <iostream>
#include <iterator>

#include "cli/cli_app.h"
#include "cli/command.h"
#include "cli/exit_codes.h"
#include "cli/shell_words.h"
#include "store/auto_lock.h"
#include "store/settings_store.h"

namespace keyloft::cli {
namespace {

// The commands that work on one profile: in the shell they take its profile, put in after the
// command's word.
constexpr std::string_view kProfileCommands[] = {"ls",         "show",   "add",    "edit", "rm",
                                                 "categories", "export", "import", "seal", "unseal"};
// The commands that make, remove or open a profile of their own, and the change of the logon the
// shell logged on with.
constexpr std::string_view kNotInShell[] = {"create", "delete", "shell", "logon"};

bool OneOf(std::string_view word, const auto& list) {
    return std::find(std::begin(list), std::end(list), word) != std::end(list);
}

// Whether the words of an import line name a file: a word that is neither an option nor the value
// of one.
bool NamesAFile(const std::vector<std::string>& words) {
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--format" || words[i] == "--wait") {
            ++i;
        } else if (!words[i].starts_with('-')) {
            return true;
        }
    }
    return false;
}

class ShellCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "shell",
            "Log on once, then run commands read one a line, without the profile's name (\"ls\",\n"
            "\"show 3\", \"add --description 'My bank'\"; quote words with blanks in '...' or \"...\"),\n"
            "holding the profile only while a command runs. A prompt is shown on a terminal. Ends at\n"
            "the end of the input, at \"exit\", or when no command came for the auto-lock time of the\n"
            "\"Timer\" setting. A failing command is reported and the next line read; the exit status\n"
            "is that of the last command that failed (0 when none did). create, delete, shell and\n"
            "logon are not available inside.");
        AddProfileName(*command, name_);
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override;

  private:
    // One line's words run; its exit status.
    int runLine(std::vector<std::string> words, const GlobalOptions& lineOptions, Console& console);

    std::string name_;
};

int ShellCommand::run(const GlobalOptions& options, Console& console) {
    // The commands read their secrets and answers from the same input as the lines, through one
    // buffer of its own that also tells whether a line is waiting (before anything is read).
    std::ios::sync_with_stdio(false);
    Session shell(options, console);
    if (const int code = shell.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
    shell.store().open().closeHeldFile();
    std::u16string timer;
    const int idleMinutes =
        shell.store().folder().readSetting(kSettingTimer, timer) ? AutoLockMinutes(timer).value_or(0) : 0;

    GlobalOptions lineOptions = options;
    lineOptions.shell = &shell;
    int status = kExitOk;
    while (true) {
        if (console.interactive()) std::cerr << "keyloft " << name_ << "> " << std::flush;
        if (idleMinutes > 0 && !console.waitForInput(std::chrono::minutes(idleMinutes))) {
            Console::printError((console.interactive() ? "\n" : "") +
                                std::string("keyloft-cli: no command for ") + std::to_string(idleMinutes) +
                                " minutes (the auto-lock time): the shell ends");
            break;
        }
        const std::optional<std::string> line = console.readLine("");
        if (!line) {
            if (console.interactive()) std::cerr << '\n';
            break;
        }
        std::string problem;
        std::optional<std::vector<std::string>> words = SplitShellWords(*line, problem);
        if (words && (words->empty() || words->front().starts_with('#'))) continue;
        if (words && words->size() == 1 && (words->front() == "exit" || words->front() == "quit")) break;
        int code = kExitUsage;
        if (!words)
            Console::printError("keyloft-cli: " + problem);
        else
            code = runLine(std::move(*words), lineOptions, console);
        std::cout << std::flush;
        if (code == kExitOk) continue;
        status = code;
        if (!console.interactive())
            Console::printError("keyloft-cli: \"" + *line + "\" ended with exit status " +
                                std::to_string(code) + "; the shell goes on");
        // The logon no longer holds, or the program must end at once.
        if (code == kExitLogonRefused || code == kExitEndedAtOnce || shell.ended()) break;
        // A save that found a replaced file the user did not open dropped the profile.
        if (code == kExitConflict && !shell.store().open().loaded()) {
            Console::printError("keyloft-cli: the profile was dropped; the shell ends without saving");
            break;
        }
    }
    return status;
}

int ShellCommand::runLine(std::vector<std::string> words, const GlobalOptions& lineOptions,
                          Console& console) {
    const std::string& command = words.front();
    if (command == "help") return RunShellLine({"--help"}, lineOptions, console);
    if (OneOf(command, kNotInShell)) {
        Console::printError("keyloft-cli: " + command + " is not available inside the shell");
        return kExitUsage;
    }
    if (command == "import" && !NamesAFile(words)) {
        // Standard input carries the shell's next lines.
        Console::printError("keyloft-cli: inside the shell, import reads a FILE: give one");
        return kExitUsage;
    }
    if (OneOf(command, kProfileCommands)) words.insert(words.begin() + 1, name_);
    return RunShellLine(words, lineOptions, console);
}

}  // namespace

std::unique_ptr<Command> MakeShellCommand() { return std::make_unique<ShellCommand>(); }

}  // namespace keyloft::cli
