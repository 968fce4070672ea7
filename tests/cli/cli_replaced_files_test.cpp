// A profile file that something else put in place while keyloft-cli works with it: the shell's
// reload between commands asks about it as an open does, a copy of the same version written into
// the held file is another user's save, an older file that a sync engine brought back beside the
// newer one's conflict copy leads to the merge, and a planted backup replaces nothing.
#include <gtest/gtest.h>

#include <fstream>

#include "cli_fixture.h"
#include "support/profile_file_edit.h"

namespace keyloft::cli::testing {
namespace {

std::string Trimmed(const char* line) { return std::string(line, std::char_traits<char>::length(line) - 1); }

class CliReplacedFiles : public Cli {
  protected:
    // Home, sealed with an own logon: its readable form before sealing, an older sealed file, and
    // the newest, which this user saw last.
    void sealedHome() {
        create("Home");
        ownLogon("Home");
        readable = ReadBytes(file("Home"));
        ASSERT_EQ(sealOwn("Home").exitCode, 0);
        older = ReadBytes(file("Home"));
        ASSERT_EQ(
            run({"add", "Home", "--user-code", "newest"}, Lines({Trimmed(kOwnPassword), "pw"})).exitCode, 0);
        newest = ReadBytes(file("Home"));
    }
    std::string readable, older, newest;
};

#ifndef _WIN32  // a terminal to drive
// Between the shell's commands the file is loaded again; a readable or an older file found there
// is asked about as at open, and No ends the shell without writing anything.
TEST_F(CliReplacedFiles, TheShellAsksAboutAFileReplacedBetweenCommands) {
    sealedHome();
    const struct {
        const char* what;
        const std::string* swapped;
        const char* asked;
    } cases[] = {
        {"a readable copy", &readable, "is not sealed now"},
        {"an older sealed copy", &older, "older than version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(file("Home"), newest);
        std::string shown;
        const RunResult r = RunCliOnTerminal({"--database", db().string(), "shell", "Home"},
                                             {{"Password: ", Trimmed(kOwnPassword)},
                                              {"keyloft Home> ", "add --user-code lost --generate"},
                                              {"Open it anyway? [y/N] ", "n"}},
                                             config(), shown, [&](std::size_t step) {
                                                 if (step == 1) WriteBytes(file("Home"), *c.swapped);
                                             });
        EXPECT_EQ(r.exitCode, 6) << r.err;
        EXPECT_NE(r.err.find(c.asked), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("the shell ends without saving"), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(file("Home")), *c.swapped);  // nothing written over it
        // What this user saw stays: the next command asks again.
        EXPECT_EQ(run({"ls", "Home"}, kOwnPassword).exitCode, 6);
    }
}

// `cp` of a copy at the same version into the held file (in place, the same file): the save sees
// that the file is not what it loaded, and writes nothing over it.
TEST_F(Cli, ACopyOfTheSameVersionWrittenIntoTheHeldFileIsNotOverwritten) {
    create("Home");
    ASSERT_EQ(run({"add", "Home", "--user-code", "first"}, "opensesame\npw\n").exitCode, 0);
    std::string sameVersion;  // the file at the same version with an entry of a colleague's
    {
        DirectStore colleague(temp_.path());
        ASSERT_TRUE(colleague.store.open().openProfile(u"Home").loaded());
        ASSERT_EQ(colleague.store.open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        Profile p = colleague.store.open().profile();
        p.entries.push_back(keyloft::testing::EntryOf(u"4||theirs|bob|pw||||"));
        sameVersion = keyloft::testing::ProfileFileBytes(p);
    }

    std::string shown;
    const RunResult r = RunCliOnTerminal(
        {"--database", db().string(), "add", "Home", "--user-code", "mine"},
        {{"Password: ", "opensesame"}, {"Entry password: ", "pw"}, {"Confirm entry password: ", "pw"}},
        config(), shown, [&](std::size_t step) {
            if (step == 0) {
                std::ofstream(file("Home"), std::ios::binary | std::ios::in | std::ios::trunc) << sameVersion;
            }
        });
    EXPECT_EQ(r.exitCode, 4) << r.err;
    EXPECT_NE(r.err.find("The record has been modified by another user."), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file("Home")), sameVersion);
}
#endif

// A sync engine kept the other machine's older file and left this one's newer file as a copy:
// every command says so and points to the merge, and the merge opens the profile, brings back
// what only the copy holds and writes a version newer than both.
TEST_F(Cli, AnOlderFileBesideTheNewerOnesCopyLeadsToTheMerge) {
    create("Team");
    ASSERT_EQ(run({"add", "Team", "--user-code", "both"}, "opensesame\npw\n").exitCode, 0);
    const std::string common = ReadBytes(file("Team"));  // version 2
    ASSERT_EQ(run({"add", "Team", "--user-code", "a1"}, "opensesame\npw\n").exitCode, 0);
    ASSERT_EQ(run({"add", "Team", "--user-code", "a2"}, "opensesame\npw\n").exitCode, 0);
    const std::string copy = "Team.sync-conflict-20261209-101500-ABCDEF1.dat";
    std::filesystem::copy_file(file("Team"), db() / copy);  // this machine's version 4
    WriteBytes(file("Team"), common);
    {
        DirectStore other(temp_.path());  // the other machine: version 3
        ASSERT_TRUE(other.store.open().openProfile(u"Team").loaded());
        ASSERT_EQ(other.store.open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        ASSERT_TRUE(Saved(AddEntryRecord(other.store, u"4||b|b|pw||||")));
    }

    RunResult r = run({"ls", "Team"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_NE(
        r.err.find("holds version 3, older than version 4 that you last used, and a conflict copy beside it "
                   "holds version 4"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("\"keyloft-cli merge Team\" opens it and merges the conflict copies into it"),
              std::string::npos)
        << r.err;

    r = run({"merge", "Team"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Added 2 entries and 0 categories; merged and removed 1 copy.\n");
    r = run({"ls", "Team"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* entry : {"both", "b", "a1", "a2"})
        EXPECT_NE(r.out.find(entry), std::string::npos) << r.out;
    EXPECT_NE(run({"verify", file("Team").string()}).out.find("version 5"), std::string::npos);
}

// What this user saw of a profile counts whichever way its folder is named, and from the first
// load on: an older file put in its place is asked about when the folder is reached through a
// link to it (or was seen through one), and after a first open that did not get past the logon.
TEST_F(Cli, AnOlderFileIsAskedAboutThroughEveryPathToTheFolder) {
    const std::string folder = db().string(), link = (temp_.path() / "link").string();
    struct Case {
        const char* what;
        std::string seenIn, openedIn;
        const char* logon;  // of the first open
        int firstExit;
    };
    std::vector<Case> cases{{"after a first open that the logon refused", folder, folder, "wrong\n", 3}};
#ifndef _WIN32  // the C++ library resolves no links on Windows
    std::error_code error;
    std::filesystem::create_directory_symlink(db(), link, error);
    ASSERT_FALSE(error) << error.message();
    cases.push_back({"through a link to the folder", folder, link, kDefaultPassword, 0});
    cases.push_back({"from the link to the folder itself", link, folder, kDefaultPassword, 0});
#endif
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Made and saved twice by a colleague: this user never saw it before.
        const std::string name = "Team" + std::to_string(n++);
        const std::filesystem::path theirs = temp_.path() / "colleague";
        ASSERT_EQ(RunCli({"--database", folder, "create", name}, "", theirs).exitCode, 0);
        const std::string older = ReadBytes(file(name));
        ASSERT_EQ(
            RunCli({"--database", folder, "add", name, "--user-code", "bob"}, "opensesame\npw\n", theirs)
                .exitCode,
            0);
        EXPECT_EQ(RunCli({"--database", c.seenIn, "ls", name}, c.logon, config()).exitCode, c.firstExit);
        WriteBytes(file(name), older);
        const RunResult r = RunCli({"--database", c.openedIn, "ls", name}, kDefaultPassword, config());
        EXPECT_EQ(r.exitCode, 6) << r.err;
        EXPECT_NE(r.err.find("holds version 1, older than version 2 that you last used"), std::string::npos)
            << r.err;
    }
}

// A sealed backup whose header version was raised (its check line made again, as anyone can)
// beside a sound sealed profile: it does not open with the profile's key, so it replaces nothing.
TEST_F(CliReplacedFiles, APlantedBackupNeverReplacesASoundProfile) {
    sealedHome();
    const std::string planted = keyloft::testing::WithSealedHeaderVersion(older, 1000);
    ASSERT_FALSE(planted.empty());
    WriteBytes(db() / "Home.dat.bak", planted);
    const RunResult r = run({"ls", "Home"}, kOwnPassword);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("newest"), std::string::npos) << r.out;
    EXPECT_EQ(ReadBytes(file("Home")), newest);
    EXPECT_EQ(ReadBytes(db() / "Home.dat.bak"), planted);
    EXPECT_NE(ReadBytes(db() / "KeyloftErrors.log").find("Home.dat.bak was left beside Home.dat"),
              std::string::npos);
}

}  // namespace
}  // namespace keyloft::cli::testing
