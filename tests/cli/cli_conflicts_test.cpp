// keyloft-cli and the conflict copies that file-sync engines leave: listed once, named, merged.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <functional>

#include "cli_fixture.h"
#include "store/conflict_copies.h"
#include "support/profile_file_edit.h"

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
    EXPECT_NE(r.out.find("Team (conflicted copy 2026-12-09).dat: cannot be merged: it is damaged"),
              std::string::npos)
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

// Which copies are merged, pinned down: only a regular file, sound, that opens with the profile's
// logon (mode, user ID, password, PIN) and shows that it is a copy of this profile. The rest are
// named and left where they are; one that shows nothing either way is merged only on a yes.
TEST_F(Cli, OnlyCopiesOfThisProfileWithItsLogonAreMerged) {
    create("Team");
    setLogon("Team", kUserIdPasswordAndPin, u"ann", u"garden", u"1234");
    const std::string logon = "ann\ngarden\n1234\n";
    DirectStore direct(temp_.path());
    ASSERT_TRUE(direct.store.open().openProfile(u"Team").loaded());
    ASSERT_EQ(direct.store.open().logOn({u"ann", u"garden", u"1234"}), LogonOutcome::LoggedOn);
    const Profile team = direct.store.open().profile();
    direct.store.open().forget();
    ASSERT_FALSE(team.identity.empty());

    struct Case {
        const char* name;  // the copy's marks after "Team"
        std::function<void(const std::filesystem::path&)> plant;
        const char* listed;  // what `conflicts` says of it
    };
    // A copy of the team profile holding one entry of its own, changed by `change`.
    const auto copy = [&team](const char* entry, std::function<void(Profile&)> change = nullptr,
                              bool seal = false) {
        return [=, &team](const std::filesystem::path& path) {
            Profile p = team;
            p.entries.push_back(Entry{u"", Utf8ToUtf16(entry), u"u", u"p", u"", u"", u"", u""});
            if (change) change(p);
            keyloft::testing::WriteProfileFile(path, p, seal, keyloft::testing::kInteractiveSealing);
        };
    };
    std::vector<Case> cases = {
        {" (conflicted copy 2026-12-01)", copy("this profile's"),
         "1 entry and 0 categories not in the profile"},
        {" (conflicted copy 2026-12-02)",
         copy("mode 2", [](Profile& p) { p.logonMode = kUserIdAndPassword; }),
         "cannot be merged: it was saved with another logon"},
        {" (conflicted copy 2026-12-03)", copy("another user", [](Profile& p) { p.userId = u"bob"; }),
         "cannot be merged: it was saved with another logon"},
        {" (conflicted copy 2026-12-04)", copy("another PIN", [](Profile& p) { p.pin = u"9999"; }),
         "cannot be merged: it was saved with another logon"},
        {" (conflicted copy 2026-12-05)", copy("another password", [](Profile& p) { p.password = u"hedge"; }),
         "cannot be merged: it was saved with another logon"},
        {" (conflicted copy 2026-12-06)",
         [&](const std::filesystem::path& path) {
             copy("a sum off")(path);
             WriteBytes(path, keyloft::testing::BreakVersionSum(ReadBytes(path)));
         },
         "cannot be merged: it is damaged"},
        {" (conflicted copy 2026-12-07)",
         copy("another profile", [](Profile& p) { p.identity = NewProfileIdentity(); }),
         "cannot be merged: it is a copy of another profile"},
        {" (conflicted copy 2026-12-08)",
         copy(
             "another sealed profile", [](Profile& p) { p.identity = NewProfileIdentity(); }, true),
         "cannot be merged: it is a copy of another profile"},
        {" (conflicted copy 2026-12-09)",
         copy("saved before identities", [](Profile& p) { p.identity.clear(); }),
         "1 entry and 0 categories in neither the profile nor the copies above; merge asks first: nothing in "
         "it "
         "shows that it is a copy of this profile"},
#ifndef _WIN32
        {" (conflicted copy 2026-12-10)",
         [&](const std::filesystem::path& path) {
             copy("behind a link")(temp_.path() / "outside.dat");
             std::filesystem::create_symlink(temp_.path() / "outside.dat", path);
         },
         "cannot be merged: it is not a file of its own"},
        {" (conflicted copy 2026-12-11)",
         [](const std::filesystem::path& path) { ::mkfifo(path.c_str(), 0600); },
         "cannot be merged: it is not a file of its own"},
        {" (conflicted copy 2026-12-12)",
         [](const std::filesystem::path& path) { std::filesystem::create_directory(path); },
         "cannot be merged: it is not a file of its own"},
#endif
    };
    for (const Case& c : cases) c.plant(db() / ("Team" + std::string(c.name) + ".dat"));

    RunResult r = run({"conflicts", "Team"}, logon);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(r.timedOut);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(r.out.find("Team" + std::string(c.name) + ".dat: " + c.listed), std::string::npos) << r.out;
    }

    // Not on a terminal: the copy that shows nothing is asked about, and No leaves it.
    r = run({"merge", "Team"}, logon);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("Added 1 entry and 0 categories; merged and removed 1 copy; left " +
                         std::to_string(cases.size() - 1) + " copies."),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("Merge them into this profile as well? no"), std::string::npos) << r.err;
    r = run({"--yes", "merge", "Team"}, logon);
    EXPECT_NE(r.out.find("Added 1 entry and 0 categories; merged and removed 1 copy;"), std::string::npos)
        << r.out;

    std::vector<std::string> descriptions;
    for (const auto& entry : exportJson("Team", logon)) descriptions.push_back(entry["description"]);
    EXPECT_EQ(descriptions, (std::vector<std::string>{"this profile's", "saved before identities"}));
    EXPECT_TRUE(std::filesystem::exists(db() / "Team (conflicted copy 2026-12-02).dat"));
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_symlink(db() / "Team (conflicted copy 2026-12-10).dat"));
    EXPECT_TRUE(std::filesystem::is_fifo(db() / "Team (conflicted copy 2026-12-11).dat"));
#endif
}

// The preview and the merge are one plan: an entry that two copies hold is counted once, and what
// `--dry-run` says is what the merge then does.
TEST_F(Cli, DryRunAndMergeCountAlike) {
    create("Team");
    ASSERT_EQ(run({"add", "Team", "--user-code", "ann"}, "opensesame\npw\npw\n").exitCode, 0);
    const std::string both = "Team.sync-conflict-20261209-101500-ABCDEF1.dat";
    const std::string first = "Team (conflicted copy 2026-12-09).dat";
    ASSERT_EQ(run({"add", "Team", "--user-code", "bob"}, "opensesame\npw\npw\n").exitCode, 0);
    std::filesystem::copy_file(file("Team"), db() / first);
    ASSERT_EQ(run({"add", "Team", "--user-code", "cy"}, "opensesame\npw\npw\n").exitCode, 0);
    std::filesystem::copy_file(file("Team"), db() / both);
    ASSERT_EQ(run({"rm", "Team", "3"}, kDefaultPassword).exitCode, 0);
    ASSERT_EQ(run({"rm", "Team", "2"}, kDefaultPassword).exitCode, 0);

    const RunResult preview = run({"merge", "Team", "--dry-run"}, kDefaultPassword);
    EXPECT_EQ(preview.out, "Would add 2 entries and 0 categories.\n") << preview.err;
    const RunResult merge = run({"merge", "Team"}, kDefaultPassword);
    EXPECT_EQ(merge.out, "Added 2 entries and 0 categories; merged and removed 2 copies.\n") << merge.err;
    EXPECT_EQ(exportJson("Team").size(), 3u);
}

// Copy names are the engines' own, with their dates and devices: a name a user may give a profile
// is never one of them, and `create` refuses those that are; so are names that could show as
// another (control characters, marks that turn the direction of text).
TEST_F(Cli, CreateRefusesNamesThatAreCopiesOrShowAsAnother) {
    constexpr char kCopyShape[] = "A file-sync engine gives its conflict copies names of this shape";
    constexpr char kBadName[] = "A profile name cannot contain any of these characters";
    const struct {
        const char* name;
        const char* refusal;  // nullptr: created
    } cases[] = {
        {"Budget (conflict notes)", nullptr},
        {"Plans_conflict-2025", nullptr},
        {"Team (conflicted copy 2026-12-09)", kCopyShape},
        {"Team (Ann's conflicted copy 2026-12-09)", kCopyShape},
        {"Plans_conflict-20251201-101010", kCopyShape},
        {"Team\xe2\x80\xae"
         "tad.exe",
         kBadName},  // U+202E, the right-to-left override
        {"Team\xe2\x81\xa6"
         "x"
         "\xe2\x81\xa9",
         kBadName},  // U+2066 and U+2069, an isolate
        {"Pay\xc2\x85"
         "roll",
         kBadName},                // U+0085, a C1 control
        {"Tab\x1b[2J", kBadName},  // ESC, a C0 control
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult r = run({"create", c.name});
        EXPECT_EQ(r.exitCode, c.refusal ? 1 : 0) << r.err;
        if (c.refusal) {
            EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(run({"profiles"}).out, "Budget (conflict notes)\nPlans_conflict-2025\n");
}

}  // namespace
}  // namespace keyloft::cli::testing
