// What other people and other programs can leave in a shared database folder, met through the
// real keyloft-cli: pipes, devices, folders and links named like profiles, a log that leads into
// someone else's file, and a profile replaced while the tool holds it. Every run has its own
// time limit (a run that hangs fails as timed out instead of hanging the test).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "cli_fixture.h"
#include "store/profile_codec.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::cli::testing {
namespace {

#ifndef _WIN32  // pipes, devices and links as POSIX systems have them

constexpr char kNotRegular[] = "Not a regular file (a folder, device or pipe)";
constexpr char kExists[] = "This profile already exists. Please choose another name!";

class CliSharedFolder : public Cli {
  protected:
    std::filesystem::path outside() const { return temp_.path() / "outside"; }
    std::string logBytes() const { return ReadBytes(db() / "KeyloftErrors.log"); }
};

struct Planted {
    const char* what;
    std::function<void()> plant;
    std::vector<std::string> args;
    int exitCode;
    const char* said;  // part of standard error
    std::function<void(const RunResult&)> check = nullptr;
};

TEST_F(CliSharedFolder, WhatOthersPlantInTheFolderIsRefusedAtOnceAndNeverFollowed) {
    std::filesystem::create_directories(outside());
    const Planted cases[] = {
        {"a pipe",
         [this] { ASSERT_EQ(::mkfifo(file("F").c_str(), 0600), 0); },
         {"ls", "F", "--wait", "0"},
         6,
         kNotRegular},
        {"a pipe, deleted",
         nullptr,
         {"delete", "F", "--yes"},
         1,
         kNotRegular,
         [this](const RunResult&) { EXPECT_TRUE(std::filesystem::is_fifo(file("F"))); }},
        {"a device that reads without end",
         [this] { std::filesystem::create_symlink("/dev/zero", file("Zero")); },
         {"ls", "Zero"},
         6,
         kNotRegular},
        {"a line longer than any profile line",
         [this] { WriteBytes(file("Long"), std::string(kMaxProfileLineLength + 1, 'A')); },
         {"ls", "Long"},
         6,
         "The profile file is damaged."},
        {"a link that leads nowhere",
         [this] { std::filesystem::create_symlink(outside() / "x.dat", file("Dangling")); },
         {"create", "Dangling"},
         1,
         kExists,
         [this](const RunResult&) {
             EXPECT_FALSE(std::filesystem::exists(outside() / "x.dat"));  // nothing written outside
             EXPECT_TRUE(std::filesystem::is_symlink(file("Dangling")));
         }},
        {"a folder",
         [this] { std::filesystem::create_directory(file("Dir")); },
         {"ls", "Dir"},
         6,
         kNotRegular},
        {"a folder, created",
         nullptr,
         {"create", "Dir"},
         1,
         kExists,
         [this](const RunResult&) { EXPECT_TRUE(std::filesystem::is_directory(file("Dir"))); }},
        {"a log that leads into a colleague's file",
         [this] {
             WriteBytes(outside() / "profile.sh", "# a colleague's start-up file\n");
             std::filesystem::remove(db() / "KeyloftErrors.log");  // what the runs above logged
             std::filesystem::create_symlink(outside() / "profile.sh", db() / "KeyloftErrors.log");
         },
         {"ls", "Missing"},
         6,
         "could not be loaded",  // a failure that is logged
         [this](const RunResult&) {
             EXPECT_EQ(ReadBytes(outside() / "profile.sh"), "# a colleague's start-up file\n");
             EXPECT_TRUE(std::filesystem::is_symlink(db() / "KeyloftErrors.log"));
         }},
        {"none of them listed",
         nullptr,
         {"profiles"},
         0,
         "",
         [](const RunResult& r) { EXPECT_EQ(r.out, "Long\n"); }},
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.plant) c.plant();
        const RunResult r = run(c.args, kDefaultPassword);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        if (c.check) c.check(r);
    }
}

TEST_F(CliSharedFolder, NamesThatOthersChoseReachTheLogEscapedOneEntryPerLine) {
    create("Team");
    // A temporary file "of an interrupted save" whose name carries a line break and a command.
    const std::string planted = ".Team.dat.x\nrm -rf ~\x1b[2J.tmp";
    WriteBytes(db() / planted, "");
    const RunResult r = run({"ls", "Team"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string log = logBytes();
    EXPECT_NE(
        log.find("the temporary file .Team.dat.x\\nrm -rf ~\\x1b[2J.tmp of an interrupted save was removed"),
        std::string::npos)
        << log;
    for (std::size_t start = 0; start < log.size();) {
        const std::size_t end = log.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(log[start], '#') << log.substr(start, end - start);
        EXPECT_EQ(log.substr(start, end - start).find_first_of("\r\n\x1b"), std::string::npos);
        start = end + 2;
    }
}

// True while another process holds `file` (its flock); takes and drops a lock of its own otherwise.
bool HeldByAnother(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// A sync engine, a restore or `mv` puts another user's copy in place while the tool holds the
// profile: the tool's save is a conflict, the other user's copy is loaded, and the import is made
// again on it and saved (as the window's Import… does): neither entry is lost.
TEST_F(CliSharedFolder, AProfileReplacedWhileTheToolHoldsItIsAConflictAndTheImportGoesOntoIt) {
    create("Team");
    // The other user's copy, one entry more, made beside the folder.
    const std::filesystem::path theirs = temp_.path() / "theirs";
    std::filesystem::create_directories(theirs);
    std::filesystem::copy_file(file("Team"), theirs / "Team.dat");
    {
        DirectStore other(temp_.path());
        other.store.folder().setDatabaseFolder(theirs);
        ASSERT_TRUE(other.store.open().openProfile(u"Team").loaded());
        ASSERT_TRUE(Saved(AddEntryRecord(other.store, u"4||their entry|them|pw||||")));
    }
    // An import whose refused rows fill standard error: the tool, holding the profile, waits to
    // write them until finish() reads them, so the copy is put in place before its save.
    std::string csv = "name,username\r\n";
    for (int i = 0; i < 20000; ++i) csv += "bad|row " + std::to_string(i) + ",u\r\n";
    csv += "our entry,us\r\n";
    WriteBytes(temp_.path() / "rows.csv", csv);
    CliProcess import({"--database", Utf8(db()), "import", "Team", "--format", "csv",
                       Utf8(temp_.path() / "rows.csv"), "--skip-invalid"},
                      kDefaultPassword, config());
    const auto deadline = std::chrono::steady_clock::now() + kPromptTimeout;
    while (!HeldByAnother(file("Team")) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // bounded wait for the child
    }
    ASSERT_TRUE(HeldByAnother(file("Team"))) << "keyloft-cli did not take the profile";
    std::filesystem::rename(theirs / "Team.dat", file("Team"));
    const RunResult r = import.finish();
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err.substr(r.err.size() - std::min<std::size_t>(r.err.size(), 400));
    EXPECT_NE(r.err.find("The record has been modified by another user.\nRefreshing data..."),
              std::string::npos);
    EXPECT_EQ(r.err.find("keyloft-cli: nothing was written"), std::string::npos);
    EXPECT_TRUE(r.out.ends_with("Imported 1 entry and 0 new categories; 20000 refused.\n")) << r.out;

    const nlohmann::json entries = exportJson("Team");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]["description"], "their entry");
    EXPECT_EQ(entries[1]["description"], "our entry");
}

// Where --output writes passwords in clear: never through a link, never into a file it will not
// write (which stays as it was); the user's own file is closed to others before a byte is written.
TEST_F(CliSharedFolder, ExportOutputNeverFollowsALinkNorEmptiesAFileItWillNotWrite) {
    create("Home");
    const std::filesystem::path out = temp_.path() / "out";
    std::filesystem::create_directories(out);
    std::filesystem::create_directories(outside());
    const std::filesystem::path precious = outside() / "precious.txt";
    WriteBytes(precious, "precious\n");
    const struct {
        const char* what;
        std::function<void(const std::filesystem::path&)> plant;
        const char* said;
    } refused[] = {
        {"a link to the user's file", [&](const auto& p) { std::filesystem::create_symlink(precious, p); },
         "it is a symbolic link, which is not followed"},
        {"a second name of the user's file",
         [&](const auto& p) { std::filesystem::create_hard_link(precious, p); }, "it has other names"},
        {"a colleague's file",
         [](const auto& p) {
             WriteBytes(p, "theirs\n");
             ::chmod(p.c_str(), 0666);
             if (::geteuid() == 0) {
                 ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
             }
         },
         ::geteuid() == 0 ? "it belongs to another user" : "Permission denied"},
        {"a pipe", [](const auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "it is not a regular file"},
    };
    int n = 0;
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path target = out / ("export" + std::to_string(++n) + ".csv");
        c.plant(target);
        const RunResult r =
            run({"export", "Home", "--format", "csv", "--output", Utf8(target)}, kDefaultPassword);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(precious), "precious\n");
    }
    EXPECT_TRUE(std::filesystem::is_symlink(out / "export1.csv"));
    EXPECT_EQ(ReadBytes(out / "export3.csv"), "theirs\n");  // not emptied

    const std::filesystem::path own = out / "own.csv";
    WriteBytes(own, "an older export, longer than the new one\n");
    ::chmod(own.c_str(), 0644);
    ASSERT_EQ(run({"export", "Home", "--format", "csv", "--output", Utf8(own)}, kDefaultPassword).exitCode,
              0);
    EXPECT_EQ(ReadBytes(own), run({"export", "Home", "--format", "csv"}, kDefaultPassword).out);
    struct stat st {};
    ASSERT_EQ(::stat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// A profile the user may not change, and a link that others could point elsewhere, are refused
// with the reason; neither the file nor what the link leads to is touched.
TEST_F(CliSharedFolder, AReadOnlyProfileAndALinkOthersCanRedirectAreRefusedWithTheReason) {
    create("Team");
    ASSERT_EQ(::chmod(file("Team").c_str(), 0444), 0);
    const std::string before = ReadBytes(file("Team"));
    const std::string readOnly = "Read-Only Profile: The profile \"Team\" is read-only for you";
    RunResult r = run({"add", "Team", "--user-code", "me"}, "opensesame\npw\n");
    EXPECT_EQ(r.exitCode, 5) << r.err;
    EXPECT_NE(r.err.find(readOnly), std::string::npos) << r.err;
    r = run({"delete", "Team", "--yes"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find(readOnly), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file("Team")), before);

    // The user's private profile, outside the group-writable folder, and a link to it planted there.
    create("Private");
    ASSERT_EQ(
        run({"add", "Private", "--description", "private entry", "--user-code", "me"}, "opensesame\npw\n")
            .exitCode,
        0);
    std::filesystem::create_directories(outside());
    ASSERT_EQ(::chmod(outside().c_str(), 0700), 0);
    std::filesystem::rename(file("Private"), outside() / "Private.dat");
    const std::string privateBytes = ReadBytes(outside() / "Private.dat");
    ASSERT_EQ(::chmod(db().c_str(), 02770), 0);
    std::filesystem::create_symlink(outside() / "Private.dat", file("Shared"));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"ls", "Shared"},
          std::vector<std::string>{"add", "Shared", "--user-code", "x"}}) {
        SCOPED_TRACE(args[0]);
        r = run(args, "opensesame\npw\n");
        EXPECT_EQ(r.exitCode, 6) << r.err;
        EXPECT_NE(
            r.err.find("Link Not Followed: The profile \"Shared\" is a link, and other users can change"),
            std::string::npos)
            << r.err;
        EXPECT_EQ(r.out.find("private entry"), std::string::npos);
    }
    EXPECT_EQ(ReadBytes(outside() / "Private.dat"), privateBytes);
}

#endif  // !_WIN32

TEST_F(Cli, ImportRefusesAFieldPastTheLimitNamingItAndAFilePastTheSizeLimit) {
    create("Home");
    const std::string longNotes(100001, 'n');
    WriteBytes(temp_.path() / "long.csv", "name,username,notes\r\nok,u," + std::string(100000, 'n') +
                                              "\r\ntoo long,u," + longNotes + "\r\n");
    RunResult r =
        run({"import", "Home", "--format", "csv", Utf8(temp_.path() / "long.csv")}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("line 3: The Notes field is too long: at most 100000 characters."),
              std::string::npos)
        << r.err;

    // Larger than any export: refused before the logon is asked for.
    {
        std::ofstream big(temp_.path() / "big.csv", std::ios::binary);
        big << "name,username\r\n";
        std::string rows;
        while (rows.size() < (std::size_t{1} << 20)) rows += "an entry,someone\r\n";
        for (int mebibytes = 0; mebibytes <= 64; ++mebibytes) big << rows;
    }
    r = run({"import", "Home", "--format", "csv", Utf8(temp_.path() / "big.csv")}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("it is larger than 64 MiB"), std::string::npos) << r.err;
    EXPECT_TRUE(exportJson("Home").empty());
}

}  // namespace
}  // namespace keyloft::cli::testing
