// What a team sharing a folder does to keyloft-cli: killing it in the middle of a save, reading
// while another process saves, leftovers of older builds, names that point out of the folder.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "cli_fixture.h"
#include "support/child_wait.h"
#include "support/looping_threads.h"
#include "store/profile_codec.h"
#include "store/profile_verifier.h"
#include "store/sealed_profile.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::cli::testing {
namespace {

#ifdef _WIN32
constexpr int SIGKILL = 9;  // CliProcess::kill ends the program at once (TerminateProcess)
#endif

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

int EnvironmentNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

class CliSaveSafety : public Cli {
  protected:
    // Fills a profile with `count` entries through the storage library; with `seal`, saves it sealed.
    void fill(const std::string& profile, int count, bool seal = false) {
        DirectStore direct(temp_.path());
        ASSERT_TRUE(direct.store.open().openProfile(Utf8ToUtf16(profile)).loaded());
        ASSERT_EQ(direct.store.open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        direct.store.edits().setSealed(seal || direct.store.open().sealed());
        RewriteProfileFile(
            direct.store,
            [count](Profile& p) {
                for (int i = 0; i < count; ++i) {
                    p.entries.push_back(EntryOf(u"4|Bank|Account " + Int32Text(i) +
                                                u"|user|secret password|some notes||https://example.org|"));
                }
            },
            keyloft::testing::kInteractiveSealing);
    }
    std::size_t entryCount(const std::string& profile) {
        const RunResult r = run({"ls", profile, "--json", "--wait", "0"}, kDefaultPassword);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.exitCode == 0 ? nlohmann::json::parse(r.out).size() : 0;
    }
    std::vector<std::string> addArgs(const std::string& profile, const std::string& userCode) const {
        return {"--database", db().string(), "add", profile, "--user-code", userCode, "--generate"};
    }
};

// The crash and race trials and the hold run on a profile in the usual form and on a sealed one
// (sealed here with Argon2id at its smallest limits; the tool's first save makes its slots again
// with its own limits, after which every command pays Argon2id once). The sealed form saves the
// way the usual form does, so its trials have at most kSealedRounds kills or saves.
constexpr int kSealedRounds = 20;
class CliSaveSafetyBothForms : public CliSaveSafety, public ::testing::WithParamInterface<bool> {
  protected:
    bool sealedForm() const { return GetParam(); }
    int rounds(int wanted) const { return sealedForm() ? std::min(wanted, kSealedRounds) : wanted; }
    // A new profile in the form under test, with `count` entries.
    void prepare(const std::string& profile, int count) {
        create(profile);
        fill(profile, count, sealedForm());
        ASSERT_EQ(ReadBytes(file(profile)).rfind("KEYLOFT SEALED 1\r\n", 0) == 0, sealedForm());
    }
};

INSTANTIATE_TEST_SUITE_P(BothForms, CliSaveSafetyBothForms, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Sealed" : "Usual";
                         });

TEST_P(CliSaveSafetyBothForms, KillingAnAddAtAnyMomentLeavesTheOldOrTheNewProfile) {
    const int kills = rounds(EnvironmentNumber("KEYLOFT_CRASH_KILLS", 100));
    prepare("Home", 10000);
    std::size_t count = 10000;

    // How long one whole add takes on this machine: the kills fall anywhere inside it.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli(addArgs("Home", "timed"), kDefaultPassword, config()).exitCode, 0);
    const auto took = std::chrono::steady_clock::now() - start;
    ++count;

    std::random_device seed;
    const unsigned seedValue = seed();
    std::mt19937 random(seedValue);
    // Start-up and logon take most of an add and the save comes last: the kill moments follow the
    // end of the add as it drifts with the machine's load, so that many land inside the save.
    double upper = static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(took).count());
    int oldKept = 0, newKept = 0, finished = 0;
    for (int i = 0; i < kills; ++i) {
        SCOPED_TRACE("kill " + std::to_string(i) + ", seed " + std::to_string(seedValue));
        CliProcess add(addArgs("Home", "kill" + std::to_string(i)), kDefaultPassword, config());
        std::uniform_real_distribution<double> moment(upper * 0.4, upper);
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(moment(random))));
        add.kill(SIGKILL);
        const RunResult killed = add.finish();

        // No manual step: the next command finds a complete profile, old or new.
        const std::size_t now = entryCount("Home");
        ASSERT_TRUE(now == count || now == count + 1)
            << now << " entries, expected " << count << " or one more";
        if (killed.signal == SIGKILL) {
            (now == count ? oldKept : newKept) += 1;
            upper *= 1.03;
        } else {
            upper *= 0.9;
            ASSERT_EQ(killed.exitCode, 0) << killed.err;
            ASSERT_EQ(now, count + 1);
            ++finished;
        }
        count = now;
        for (const std::string& name : FolderNames(db())) {
            ASSERT_TRUE(name == "Home.dat" || name == "KeyloftErrors.log") << name;
        }
    }
    const RunResult after = RunCli(addArgs("Home", "after"), kDefaultPassword, config());
    ASSERT_EQ(after.exitCode, 0) << after.err;
    EXPECT_EQ(entryCount("Home"), count + 1);
    const VerifyReport report = VerifyProfileBytes(ReadBytes(file("Home")));
    EXPECT_TRUE(report.ok) << Utf16ToUtf8(report.fault);
    std::cout << "[ crash    ] " << kills << " kills: " << oldKept << " left the old profile, " << newKept
              << " the new one, " << finished << " finished first\n";
}

TEST_P(CliSaveSafetyBothForms, ReadersRacingAWriterAlwaysFindACompleteProfile) {
    prepare("Home", 200);
    const int saves = rounds(EnvironmentNumber("KEYLOFT_RACE_SAVES", 200));
    constexpr int kReaders = 3;
    std::atomic<int> reads{0}, gaveUp{0};
    std::vector<std::string> readerFailures[kReaders];
    keyloft::testing::LoopingThreads readers(kReaders, [&](int r) {
        const RunResult ls =
            RunCli({"--database", db().string(), "ls", "Home", "--wait", "20"}, kDefaultPassword, config());
        ++reads;
        // On a loaded machine the others may hold the profile for longer than a reader waits (the
        // sealed form pays Argon2id at each hold): it gives up as it should, having found nothing
        // incomplete. Anything else is a failure.
        if (ls.exitCode == 6 && ls.err.ends_with("is in use by another user. Try again later.\n")) {
            ++gaveUp;
        } else if (ls.exitCode != 0) {
            readerFailures[r].push_back(std::to_string(ls.exitCode) + ": " + ls.err);
        }
    });
    std::vector<std::string> saved;
    int failed = 0;
    for (int i = 0; i < saves; ++i) {
        std::vector<std::string> args = addArgs("Home", "w" + std::to_string(i));
        args.insert(args.end(), {"--wait", "20"});
        const RunResult add = RunCli(args, kDefaultPassword, config());
        if (add.exitCode == 0) {
            saved.push_back("w" + std::to_string(i));
        } else {
            ++failed;
            ADD_FAILURE() << "add " << i << ": " << add.exitCode << " " << add.err;
        }
    }
    readers.stop();
    for (const auto& failures : readerFailures) EXPECT_TRUE(failures.empty()) << failures.front();

    const nlohmann::json entries = exportJson("Home");
    std::set<std::string> present;
    for (const auto& entry : entries) present.insert(entry["userCode"].get<std::string>());
    for (const std::string& code : saved) EXPECT_EQ(present.count(code), 1u) << code << " was reported saved";
    // A reader that gave up waiting wrote it to the error log.
    std::vector<std::string> expectedFiles{"Home.dat"};
    if (gaveUp > 0) expectedFiles.push_back("KeyloftErrors.log");
    EXPECT_EQ(FolderNames(db()), expectedFiles);
    EXPECT_TRUE(VerifyProfileBytes(ReadBytes(file("Home"))).ok);
    std::cout << "[ race     ] " << saved.size() << " saves, " << failed << " failed, " << reads.load()
              << " reads by " << kReaders << " readers, " << gaveUp.load() << " of them gave up waiting\n";
}

TEST_P(CliSaveSafetyBothForms, AStaleBackupBesideTheProfileLosesNothing) {
    prepare("Home", 0);
    ASSERT_EQ(RunCli(addArgs("Home", "first"), kDefaultPassword, config()).exitCode, 0);
    std::filesystem::copy_file(file("Home"), db() / "Home.dat.bak");  // left by a crash long ago
    ASSERT_EQ(RunCli(addArgs("Home", "second"), kDefaultPassword, config()).exitCode, 0);
    const RunResult r = RunCli(addArgs("Home", "third"), kDefaultPassword, config());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("waiting"), std::string::npos) << r.err;
    const nlohmann::json entries = exportJson("Home");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0]["userCode"], "first");
    EXPECT_EQ(entries[1]["userCode"], "second");
    EXPECT_EQ(entries[2]["userCode"], "third");
    EXPECT_EQ(FolderNames(db()), (std::vector<std::string>{"Home.dat", "KeyloftErrors.log"}));
}

TEST_P(CliSaveSafetyBothForms, AHeldProfileIsWaitedForThenReportedInUse) {
    prepare("Home", 0);
    DirectStore other(temp_.path());
    ASSERT_TRUE(other.store.open().openProfile(u"Home").loaded());
    const std::string before = ReadBytes(file("Home"));

    RunResult r = run({"ls", "Home", "--wait", "0"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.err, "The profile Home is in use by another user. Try again later.\n");
    // --wait may follow the command; the tool waits that long before it gives up.
    r = run({"add", "Home", "--user-code", "x", "--generate", "--wait", "0.3"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_NE(r.err.find("is in use by another user; waiting for it..."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("The profile Home is in use by another user. Try again later."), std::string::npos);
    EXPECT_EQ(ReadBytes(file("Home")), before);
    const std::string log = ReadBytes(db() / "KeyloftErrors.log");
    EXPECT_NE(log.find(",\"ReadFromFile\",\"70\",\"Permission denied\"\r\n"), std::string::npos) << log;
    r = run({"delete", "Home", "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("The profile Home is in use by another user."), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(file("Home")));
}

TEST_F(CliSaveSafety, AnEmptyProfileIsDamagedNotAWrongLogon) {
    WriteBytes(file("Empty"), "");
    const RunResult r = run({"ls", "Empty"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.err, "The profile file is empty.\n");
}

TEST_F(CliSaveSafety, NamesThatLeaveTheFolderAreRefusedByEveryCommand) {
    create("Home");
    const std::filesystem::path outside = temp_.path() / "outside";
    std::filesystem::create_directories(outside);
    std::filesystem::copy_file(file("Home"), outside / "victim.dat");
    const std::string victim = ReadBytes(outside / "victim.dat");
    const std::vector<std::string> dbBefore = FolderNames(db());
    for (const std::string& name :
         {std::string("../outside/victim"), std::string("a/b"), (outside / "victim").string()}) {
        const std::vector<std::vector<std::string>> commands{
            {"ls", name},
            {"show", name, "1"},
            {"add", name, "--user-code", "x", "--generate"},
            {"edit", name, "1", "--notes", "x"},
            {"rm", name, "1"},
            {"categories", name},
            {"categories", name, "add", "Bank"},
            {"export", name, "--format", "json"},
            {"delete", name, "--yes"},
            {"create", name},
        };
        for (const auto& command : commands) {
            SCOPED_TRACE(command[0] + " " + name);
            const RunResult r = run(command, kDefaultPassword);
            EXPECT_EQ(r.exitCode, 1) << r.err;
            EXPECT_NE(r.err.find("A profile name cannot contain any of these characters"), std::string::npos)
                << r.err;
        }
    }
    EXPECT_EQ(ReadBytes(outside / "victim.dat"), victim);
    EXPECT_EQ(FolderNames(outside), std::vector<std::string>{"victim.dat"});
    EXPECT_EQ(FolderNames(db()), dbBefore);
}

// Resident sizes and /proc are POSIX matters.
#ifndef _WIN32
// Runs keyloft-cli in a child of a child, so that the largest resident size of the grandchild is
// the only one the child sees.
long PeakKilobytes(const std::vector<std::string>& args, const std::string& input,
                   const std::filesystem::path& config, int& exitCode) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return -1;
    const pid_t child = keyloft::testing::ForkChild("the measuring process");
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return -1;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        const RunResult r = RunCli(args, input, config);
        struct rusage usage {};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        const long values[2] = {usage.ru_maxrss, r.exitCode};
        (void)!::write(pipeFds[1], values, sizeof values);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    long values[2] = {-1, -1};
    (void)!::read(pipeFds[0], values, sizeof values);
    ::close(pipeFds[0]);
    (void)keyloft::testing::WaitForChild(child, kRunTimeout);
    exitCode = static_cast<int>(values[1]);
    return values[0];
}
#endif

#ifndef _WIN32  // POSIX only
// A small file planted to fill memory (50 MB of line ends, one line as long, or a sealed header
// followed by line ends) is refused by every reader once it passes the fixed limits, before it
// is held: verify, the profile, its backup, a conflict copy.
TEST_F(CliSaveSafety, EveryReaderRefusesAHugeFileInBoundedMemory) {
    const std::string blank(50u << 20, '\n');
    const std::string sealedHeader = "KEYLOFT SEALED 1\r\nformat=2\r\n" + blank;
    WriteBytes(db() / "blank.dat", blank);
    WriteBytes(db() / "one-line.dat", std::string(50u << 20, 'A'));
    WriteBytes(db() / "Planted.dat", sealedHeader);
    create("Team");
    const std::string team = ReadBytes(file("Team"));
    const struct {
        const char* what;
        std::function<void()> plant;
        std::vector<std::string> args;
        int exitCode;
        std::string said;  // standard output, or a part of standard error
    } cases[] = {
        {"verify, line ends",
         nullptr,
         {"verify", Utf8(db() / "blank.dat")},
         1,
         Utf8(db() / "blank.dat") +
             ": line 2: the line does not decrypt (the loader would end the program)\n"},
        {"verify, one line",
         nullptr,
         {"verify", Utf8(db() / "one-line.dat")},
         1,
         Utf8(db() / "one-line.dat") +
             ": line 1: longer than 16777216 characters (no profile line is that long)\n"},
        {"verify, a sealed header",
         nullptr,
         {"verify", Utf8(db() / "Planted.dat")},
         1,
         Utf8(db() / "Planted.dat") +
             ": the file holds more than 1000000 lines or 64 MiB (no profile is that large); "
             "it was not read further\n"},
        {"the profile", nullptr, {"ls", "Planted"}, 6, "The profile file is damaged."},
        {"its backup", [&] { WriteBytes(db() / "Team.dat.bak", sealedHeader); }, {"ls", "Team"}, 0, ""},
        {"a conflict copy",
         [&] { WriteBytes(db() / "Team (conflicted copy 2026-12-09).dat", sealedHeader); },
         {"conflicts", "Team"},
         0,
         "Team (conflicted copy 2026-12-09).dat: cannot be merged: it is damaged\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.plant) c.plant();
        int exitCode = -1;
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"--database", Utf8(db())});
        const long peak = PeakKilobytes(args, kDefaultPassword, config(), exitCode);
        EXPECT_EQ(exitCode, c.exitCode);
        EXPECT_GT(peak, 0);
        // The whole file would be 50 MB, its lines far more (2 GB); the sanitizers keep freed
        // memory aside for a while, so their build gets more room.
#if defined(__SANITIZE_ADDRESS__)
        EXPECT_LT(peak, 1024 * 1024) << "kilobytes";
#else
        EXPECT_LT(peak, 120 * 1024) << "kilobytes";
#endif
        const RunResult r = run(c.args, kDefaultPassword);
        if (c.args[0] == "verify" || c.args[0] == "conflicts") {
            EXPECT_EQ(r.out, c.said) << r.err;
        } else {
            EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(ReadBytes(file("Team")), team);  // the planted backup replaced nothing
}
#endif

#ifndef _WIN32  // POSIX only
TEST_F(CliSaveSafety, TheToolRunsWithCoreDumpsOff) {
    create("Home");
    // Waits at the logon prompt on a pipe that never delivers: look at the running process.
    int inputFds[2];
    ASSERT_EQ(::pipe(inputFds), 0);
    const pid_t child = keyloft::testing::ForkChild("keyloft-cli");
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(inputFds[0], 0);
        ::close(inputFds[1]);
        const std::string database = db().string();
        ::execl(KEYLOFT_CLI_PATH, KEYLOFT_CLI_PATH, "--database", database.c_str(), "ls", "Home",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(inputFds[0]);
    // The soft and hard limits of core files, as the running program has them.
    const auto coreLimits = [child] {
        const std::string limits = ReadBytes("/proc/" + std::to_string(child) + "/limits");
        const std::size_t line = limits.find("Max core file size");
        if (line == std::string::npos) return std::string();
        std::istringstream row(limits.substr(line + 18, limits.find('\n', line) - line - 18));
        std::string soft, hard;
        row >> soft >> hard;
        return soft + " " + hard;
    };
    std::string seen;
    for (int tries = 0; tries < 200 && seen != "0 0"; ++tries) {  // at most 2 s for the program to start
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        seen = coreLimits();
    }
    ::close(inputFds[1]);
    (void)keyloft::testing::WaitForChild(child);
    EXPECT_EQ(seen, "0 0");
}
#endif

}  // namespace
}  // namespace keyloft::cli::testing
