// keyloft-cli shell: one logon, then commands one a line, the profile held only while one runs.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "cli/console.h"
#include "cli/shell_words.h"
#include "cli_fixture.h"
#include "support/scoped_variable.h"

namespace keyloft::cli::testing {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ShellWords, SplitLikeAShellAndKeepWindowsPaths) {
    using Words = std::vector<std::string>;
    const std::pair<const char*, Words> cases[] = {
        {"ls", {"ls"}},
        {"  add\t--description 'My bank'  --notes \"say \\\"hi\\\" \\\\ there\"",
         {"add", "--description", "My bank", "--notes", "say \"hi\" \\ there"}},
        {"import C:\\Users\\me\\rows.csv --format csv",
         {"import", "C:\\Users\\me\\rows.csv", "--format", "csv"}},
        {"edit 2 --notes '' --web-site a\\ b", {"edit", "2", "--notes", "", "--web-site", "a b"}},
        {"show 'it'\"'\"'s'", {"show", "it's"}},
        {"", {}},
    };
    for (const auto& [line, expected] : cases) {
        std::string problem;
        EXPECT_EQ(SplitShellWords(line, problem), std::optional<Words>(expected)) << line;
    }
    std::string problem;
    EXPECT_EQ(SplitShellWords("add --description 'open", problem), std::nullopt);
    EXPECT_EQ(problem, "the quote ' is not closed");
}

// A script from a pipe: no prompt, one logon, a failing line reported and passed, the status of
// the last failure, nothing after "exit".
TEST_F(Cli, ShellRunsAPipedScriptAfterOneLogon) {
    create("Home");
    const RunResult r = run({"shell", "Home"},
                            "opensesame\n"
                            "add --description 'My bank' --user-code alice\n"
                            "pw one\n"
                            "show 9\n"
                            "# a comment, then an empty line\n"
                            "\n"
                            "create Other\n"
                            "logon --unsealed\n"
                            "import --format csv\n"
                            "ls\n"
                            "exit\n"
                            "rm 1 --yes\n");
    EXPECT_EQ(r.exitCode, 2) << r.err;  // the last failing line was a usage error
    EXPECT_EQ(r.out.find("keyloft Home>"), std::string::npos);
    EXPECT_EQ(r.err.find("keyloft Home>"), std::string::npos);
    EXPECT_NE(r.out.find("Added as row 1.\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1\t\t\tMy bank\talice\t**********"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("keyloft-cli: no entry at row 9; the profile has 1 entry\n"
                         "keyloft-cli: \"show 9\" ended with exit status 1; the shell goes on\n"),
              std::string::npos)
        << r.err;
    for (const char* command : {"create", "logon"})
        EXPECT_NE(r.err.find("keyloft-cli: " + std::string(command) + " is not available inside the shell"),
                  std::string::npos)
            << r.err;
    EXPECT_NE(r.err.find("import reads a FILE"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(file("Other")));
    EXPECT_EQ(exportJson("Home").size(), 1u);  // "rm" after "exit" did not run
    EXPECT_EQ(exportJson("Home")[0]["password"], "pw one");

    // Every command fine: 0. A wrong logon: the logon's status, no command run.
    EXPECT_EQ(run({"shell", "Home"}, "opensesame\nls\ngenerate --length 8\n").exitCode, 0);
    const RunResult refused = run({"shell", "Home"}, "wrong\nrm 1 --yes\n");
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_EQ(exportJson("Home").size(), 1u);
}

// One key derivation for the session, and the file read whole only at the logon: the commands
// after it find the file as the shell loaded or saved it, and work on the profile in memory.
TEST_F(Cli, ShellOnASealedProfileOpensItOnce) {
    create("Home");
    ownLogon("Home");
    ASSERT_EQ(sealOwn("Home").exitCode, 0);
    const keyloft::testing::ScopedVariable counted("KEYLOFT_WORK_COUNTS", "1");
    const RunResult r = run({"shell", "Home"}, std::string(kOwnPassword) +
                                                   "ls\n"
                                                   "add --user-code first --generate\n"
                                                   "add --user-code second --generate\n"
                                                   "show 1\n"
                                                   "ls --json\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The logon reads the file before and after the key is made (the file is let go meanwhile).
    EXPECT_NE(r.err.find("keyloft-cli: 1 key derivation, 2 profile loads\n"), std::string::npos) << r.err;
    EXPECT_EQ(Count(r.out, "\"userCode\""), 2u) << r.out;
    EXPECT_EQ(ReadBytes(file("Home")).rfind("KEYLOFT SEALED 1\r\n", 0), 0u);
    EXPECT_EQ(exportJson("Home", kOwnPassword).size(), 2u);
}

#ifndef _WIN32
// The idle end of the shell rests on this wait: nothing there is a timeout, a line or the end of
// the input is not.
TEST(ConsoleInput, WaitsForALineOrTheEnd) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const int savedInput = ::dup(STDIN_FILENO);
    ASSERT_EQ(::dup2(ends[0], STDIN_FILENO), STDIN_FILENO);
    Console console;
    const bool empty = console.waitForInput(std::chrono::milliseconds(0));
    const bool withLine =
        ::write(ends[1], "ls\n", 3) == 3 && console.waitForInput(std::chrono::milliseconds(0));
    char line[3];
    const bool drained = ::read(STDIN_FILENO, line, sizeof line) == 3;
    ::close(ends[1]);
    const bool atEnd = console.waitForInput(std::chrono::milliseconds(0));
    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    ::close(ends[0]);
    EXPECT_FALSE(empty);
    EXPECT_TRUE(withLine);
    EXPECT_TRUE(drained);
    EXPECT_TRUE(atEnd);
}

// On a terminal: a prompt; between commands the profile is free for colleagues, their changes
// are seen (the file is read again then, and only then), and a logon they changed ends the shell.
TEST_F(Cli, ShellOnATerminalLetsGoOfTheProfileBetweenCommands) {
    create("Home");
    const keyloft::testing::ScopedVariable counted("KEYLOFT_WORK_COUNTS", "1");
    std::string shown;
    const RunResult r = RunCliOnTerminal(
        {"--database", db().string(), "shell", "Home"},
        {{"Password: ", "opensesame"},
         {"keyloft Home> ", "ls"},
         {"keyloft Home> ", "ls"},
         {"keyloft Home> ", "ls"}},
        config(), shown, [this](std::size_t step) {
            if (step == 2) {
                const RunResult colleague = run(
                    {"--wait", "0", "add", "Home", "--description", "by a colleague", "--user-code", "bob"},
                    "opensesame\npw\n");
                EXPECT_EQ(colleague.exitCode, 0) << colleague.err;
            }
            if (step == 3) setLogon("Home", 1, u"opensesame", u"changed", u"opensesame");
        });
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(Count(r.out, "by a colleague"), 1u) << r.out;
    EXPECT_NE(r.err.find("keyloft-cli: 0 key derivations, 3 profile loads\n"), std::string::npos) << r.err;
    EXPECT_NE(
        r.err.find("keyloft-cli: the logon of the profile \"Home\" was changed since the shell logged on; "
                   "start the shell again"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(shown.find("opensesame"), std::string::npos) << shown;
}

// A colleague gave the sealed profile a new password between two commands: its keys are new, the
// key the shell holds opens nothing, and the shell asks for the logon again (its second and last
// key derivation).
TEST_F(Cli, ShellAsksForTheLogonAgainWhenTheSealedKeysWereMadeAnew) {
    ASSERT_EQ(run({"create", "Home", "--seal"}, std::string(kOwnPassword) + kOwnPassword).exitCode, 0);
    const std::string own(kOwnPassword, std::char_traits<char>::length(kOwnPassword) - 1);
    const std::u16string newPassword = u"Kettle-Trout-Lamp-39";
    const auto colleagueChangesThePassword = [&] {
        DirectStore colleague(temp_.path());
        ASSERT_TRUE(colleague.store.open().openProfile(u"Home").loaded());
        ASSERT_EQ(colleague.store.open().logOn({u"", Utf8ToUtf16(own), u""}), LogonOutcome::LoggedOn);
        const EditResult changed = ChangeSecurity(colleague.store, [&](Profile& p) {
            p.password = newPassword;
            p.questions = {SecurityQuestion{u"Town", u"Nether Wallop"}};
        });
        ASSERT_TRUE(Saved(changed)) << Utf16ToUtf8(changed.refusal.value_or(u""));
        ASSERT_TRUE(Saved(AddEntryRecord(colleague.store, u"4||theirs|bob|pw||||")));
    };
    const keyloft::testing::ScopedVariable counted("KEYLOFT_WORK_COUNTS", "1");
    std::string shown;
    const RunResult r = RunCliOnTerminal({"--database", db().string(), "shell", "Home"},
                                         {{"Password: ", own},
                                          {"keyloft Home> ", "ls"},
                                          {"Password: ", Utf16ToUtf8(newPassword)},
                                          {"keyloft Home> ", "exit"}},
                                         config(), shown, [&](std::size_t step) {
                                             if (step == 1) colleagueChangesThePassword();
                                         });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(
        r.err.find("keyloft-cli: the keys of the sealed profile \"Home\" were made anew since the shell "
                   "logged on (its logon or its questions were changed); log on again"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(Count(r.out, "\ttheirs\tbob\t"), 1u) << r.out;
    // The first logon reads the file before and after its key; the changed file is read once, and
    // once more after the second key.
    EXPECT_NE(r.err.find("keyloft-cli: 2 key derivations, 4 profile loads\n"), std::string::npos) << r.err;
}
#endif

}  // namespace
}  // namespace keyloft::cli::testing
