// Folders and files the user may not write or read: an installed copy's own folder, a colleague's
// profile kept to its owner. Permissions do not bind the superuser: these run as an ordinary user.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "cli_fixture.h"

namespace keyloft::cli::testing {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
bool RunningAsRoot() { return ::geteuid() == 0; }

// The program's folder is not the user's (/usr/bin): the profiles go to the user's data folder,
// made for the user alone, and `profiles` says where that is.
TEST_F(Cli, AnInstalledCopyKeepsProfilesInTheUsersDataFolder) {
    if (RunningAsRoot()) GTEST_SKIP() << "the superuser may create files in any folder";
    const fs::path bin = temp_.path() / "usr" / "bin";
    fs::create_directories(bin);
    fs::copy_file(CliProgram(), bin / "keyloft-cli");
    fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec);
    const auto installed = [&](const std::vector<std::string>& args) {
        return CliProcess(bin / "keyloft-cli", args, std::nullopt, config()).finish();
    };
    const fs::path data = config() / ".local" / "share" / "keyloft";  // HOME is config()

    RunResult r = installed({"profiles"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "Database folder: " + Utf8(data) + " (no profiles yet: keyloft-cli create NAME makes one)\n");
    EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);
    r = installed({"create", "Home"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(data / "Home.dat"));
    r = installed({"profiles"});
    EXPECT_EQ(r.out, "Home\n");
    EXPECT_EQ(r.err, "Database folder: " + Utf8(data) + "\n");
    fs::permissions(bin, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(std::distance(fs::directory_iterator(bin), fs::directory_iterator()), 1);
}

// A colleague's file that only its owner may read: the message says so and what helps.
TEST_F(Cli, AProfileTheUserMayNotReadSaysSoAndHow) {
    if (RunningAsRoot()) GTEST_SKIP() << "the superuser may read any file";
    create("Home");
    for (const fs::perms mode : {fs::perms::none, fs::perms::owner_write}) {
        fs::permissions(file("Home"), mode);
        const RunResult r = run({"ls", "Home"}, kDefaultPassword);
        EXPECT_EQ(r.exitCode, 6);
        EXPECT_EQ(
            r.err,
            "Permission Denied: You may not read the profile \"Home\": the permissions of its file keep you "
            "out, and closing and re-opening will not change that.\nIts owner can let the colleagues who "
            "share "
            "the folder in by making the file readable and writable for the folder's group (on Linux: chmod "
            "g+rw \"Home.dat\"; on Windows: the Security tab of the file's properties).\n");
    }
}
#endif

}  // namespace
}  // namespace keyloft::cli::testing
