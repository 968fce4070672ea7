#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <optional>
#include <string>

#include "platform/platform_core.h"
#include "support/scoped_variable.h"
#include "support/temp_folder.h"

namespace keyloft::platform {
namespace {

using keyloft::testing::ScopedVariable;
using keyloft::testing::TempFolder;
namespace fs = std::filesystem;

#ifndef _WIN32
bool RunningAsRoot() { return ::geteuid() == 0; }
#endif

TEST(DefaultDatabaseFolder, AWritableProgramFolderStaysTheDefault) {
    TempFolder temp;
    const fs::path program = temp / "bin";
    fs::create_directories(program);
    EXPECT_TRUE(MayCreateFilesIn(program));
    EXPECT_FALSE(MayCreateFilesIn(temp / "missing"));
    EXPECT_EQ(DefaultDatabaseFolder(program), program);
    EXPECT_EQ(fs::directory_iterator(program), fs::directory_iterator());  // no test file left behind
}

#ifndef _WIN32
TEST(DefaultDatabaseFolder, AReadOnlyProgramFolderRefusesNewFiles) {
    if (RunningAsRoot()) GTEST_SKIP() << "the superuser may create files in any folder";
    TempFolder temp;
    const fs::path program = temp / "bin";
    fs::create_directories(program);
    fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(MayCreateFilesIn(program));
}

// An installed program (its folder read-only) keeps the profiles in the user's data folder, made
// for the user alone; a folder that is there already keeps its permissions.
TEST(DefaultDatabaseFolder, AnInstalledProgramUsesTheUsersDataFolder) {
    TempFolder temp;
    const fs::path program = temp / "usr" / "bin";
    const fs::path home = temp / "home";
    fs::create_directories(program);
    fs::create_directories(home);
    const auto readOnly = [](const fs::path&) { return false; };
    struct Case {
        const char* what;
        std::optional<std::string> dataHome;
        fs::path expected;
        fs::path firstMade;  // the outermost folder made on the way
    };
    const Case cases[] = {
        {"XDG_DATA_HOME", (temp / "data").string(), temp / "data" / "keyloft", temp / "data"},
        {"no XDG_DATA_HOME", std::nullopt, home / ".local" / "share" / "keyloft", home / ".local"},
        {"a relative XDG_DATA_HOME counts for nothing", "relative/data",
         home / ".local" / "share" / "keyloft", home / ".local"},
    };
    const ScopedVariable homeVariable("HOME", home.string());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(temp / "data");
        fs::remove_all(home / ".local");
        const ScopedVariable dataVariable("XDG_DATA_HOME", c.dataHome);
        EXPECT_EQ(UserDataFolder(), c.expected);
        EXPECT_EQ(DefaultDatabaseFolder(program, readOnly), c.expected);
        ASSERT_TRUE(fs::is_directory(c.expected));
        for (fs::path made = c.expected; made != c.firstMade.parent_path(); made = made.parent_path())
            EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;
        EXPECT_FALSE(fs::exists("relative"));
    }
    fs::permissions(home / ".local" / "share" / "keyloft", fs::perms::group_read | fs::perms::group_exec,
                    fs::perm_options::add);
    EXPECT_EQ(DefaultDatabaseFolder(program, readOnly), home / ".local" / "share" / "keyloft");
    EXPECT_EQ(fs::status(home / ".local" / "share" / "keyloft").permissions() & fs::perms::all,
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_TRUE(fs::is_empty(program));
}
#endif

}  // namespace
}  // namespace keyloft::platform
