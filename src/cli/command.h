#pragma once
// One object per subcommand of keyloft-cli. Each registers its options on the command line and
// runs when chosen; the profile commands share Session's open-and-log-on step.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/console.h"
#include "cli/session.h"
#include "store/password_generator.h"

namespace keyloft::cli {

class Command {
  public:
    virtual ~Command() = default;
    // Adds the subcommand with its options to the application and returns it.
    virtual CLI::App* addTo(CLI::App& app) = 0;
    // Runs after a successful parse; returns the exit status.
    virtual int run(const GlobalOptions& options, Console& console) = 0;
};

std::unique_ptr<Command> MakeProfilesCommand();
std::unique_ptr<Command> MakeCreateCommand();
std::unique_ptr<Command> MakeDeleteCommand();
std::unique_ptr<Command> MakeVerifyCommand();
std::unique_ptr<Command> MakeListCommand();
std::unique_ptr<Command> MakeShowCommand();
std::unique_ptr<Command> MakeAddCommand();
std::unique_ptr<Command> MakeEditCommand();
std::unique_ptr<Command> MakeRemoveCommand();
std::unique_ptr<Command> MakeCategoriesCommand();
std::unique_ptr<Command> MakeExportCommand();
std::unique_ptr<Command> MakeImportCommand();
std::unique_ptr<Command> MakeGenerateCommand();
std::unique_ptr<Command> MakeSealCommand();
std::unique_ptr<Command> MakeUnsealCommand();
std::unique_ptr<Command> MakeLogonCommand();
std::unique_ptr<Command> MakeShellCommand();
std::unique_ptr<Command> MakeConflictsCommand();
std::unique_ptr<Command> MakeMergeCommand();

// Helpers shared by the commands.

// Refuses command-line texts that are not valid UTF-8 (a usage error).
const CLI::Validator& Utf8Text();
std::u16string FromArgument(const std::string& utf8);  // after Utf8Text accepted it

void AddProfileName(CLI::App& command, std::string& name);
void AddRow(CLI::App& command, std::size_t& row);
// --length N (4 to 128) and --symbols; with `needs`, only together with that option.
void AddGeneratorOptions(CLI::App& command, PasswordOptions& options, CLI::Option* needs = nullptr);

// Shows a message of the window (application title, OK) and returns kExitFailure.
int Refuse(Session& session, std::u16string_view message);
// kExitOk when the profile has an entry at this 1-based row; otherwise says so.
int CheckRow(Session& session, std::size_t row);

void PrintOut(std::string_view text);  // standard output, as is

// A new secret and its confirmation, read as logon details are read (without echo on a terminal,
// one per line otherwise); nothing when the input ended first.
std::optional<std::pair<std::u16string, std::u16string>> ReadNewSecret(Console& console,
                                                                       std::string_view prompt,
                                                                       std::string_view confirmPrompt);

// The security setup's edit (ProfileEdits::changeSecurity). When it offers the answer mode that asks
// for all the answers (some are too easy to guess alone, all together are not), the offer is asked
// as the window asks it (a terminal answers; --yes answers yes; otherwise no) and the edit is made
// again with the answer.
EditResult ChangeSecurity(Session& session, SecuritySettings& settings);
// What a sealing edit that was saved says of answers too easy to guess, on standard error.
void PrintNotice(const EditResult& edit);

// Asks before the sealed profile `name` is written in the usual form (default No; --yes answers
// yes; without a terminal the answer is No). True when the answer is yes; otherwise says so.
bool ConfirmUsualForm(Session& session, const std::string& name);

}  // namespace keyloft::cli
