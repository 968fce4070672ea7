// keyloft-cli and the conflict copies that file-sync engines leave: listed once, named, merged.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace keyloft::cli::testing {
namespace {

TEST_F(Cli, ConflictCopiesAreNamedListedAndMergedThroughTheTool) {
    create("Team");
    ASSERT_EQ(run({"add", "Team", "--user-code", "ann"}, "opensesame\nshared\nshared\n").exitCode, 0);
    // The engine kept the other machine's file as a copy; this side went on and added its own.
    const std::string copy = "Team.sync-conflict-20261209-101500-ABCDEF1.dat";
    ASSERT_EQ(run({"add", "Team", "--user-code", "bob"}, "opensesame\ntheirs\ntheirs\n").exitCode, 0);
    std::filesystem::copy_file(file("Team"), db() / copy);
    ASSERT_EQ(run({"rm", "Team", "2"}, kDefaultPassword).exitCode, 0);
    ASSERT_EQ(run({"add", "Team", "--user-code", "cy"}, "opensesame\nmine\nmine\n").exitCode, 0);
    WriteBytes(db() / "Team (conflicted copy 2026-12-09).dat", "damaged\n");

    RunResult r = run({"profiles"});
    EXPECT_EQ(r.out, "Team\n");
    EXPECT_NE(r.err.find("Team has conflict copies"), std::string::npos) << r.err;

    r = run({"conflicts", "Team"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(copy + ": 1 entry and 0 categories not in the profile"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Team (conflicted copy 2026-12-09).dat: cannot be merged: it is damaged"), std::string::npos)
        << r.out;

    r = run({"merge", "Team", "--dry-run"}, kDefaultPassword);
    EXPECT_NE(r.out.find("Would add 1 entry and 0 categories"), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::exists(db() / copy));
    EXPECT_EQ(exportJson("Team").size(), 2u);

    r = run({"merge", "Team", "Team.dat"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Team.dat is not a conflict copy of this profile"), std::string::npos) << r.err;

    r = run({"merge", "Team", copy}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Added 1 entry and 0 categories; merged and removed 1 copy.\n");
    EXPECT_FALSE(std::filesystem::exists(db() / copy));
    const nlohmann::json entries = exportJson("Team");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2]["userCode"], "bob");
    EXPECT_EQ(entries[2]["password"], "theirs");

    r = run({"merge", "Team"}, kDefaultPassword);  // only the damaged copy is left: reported, kept
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot be merged: it is damaged"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(db() / "Team (conflicted copy 2026-12-09).dat"));
    EXPECT_EQ(exportJson("Team").size(), 3u);
}

}  // namespace
}  // namespace keyloft::cli::testing
