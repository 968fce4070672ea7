// keyloft-cli with text outside ASCII in its arguments, its folder and its profile names, and the
// exact bytes of what it prints. On Windows these go through the UTF-16 command line, UTF-16 paths
// and binary standard streams.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_process.h"

namespace keyloft::cli::testing {
namespace {

constexpr char kCafe[] = "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";  // Café 日本

class CliNamesAndPaths : public ::testing::Test {
  protected:
    void SetUp() override {
        db_ = temp_.path() / std::u8string(u8"d\u00e9p\u00f4t \u65e5\u672c");
        std::filesystem::create_directories(db_);
        std::filesystem::create_directories(temp_.path() / "config");
    }
    RunResult run(std::vector<std::string> args, const std::optional<std::string>& input = std::string()) {
        args.insert(args.begin(), {"--database", Utf8(db_)});
        return RunCli(args, input, temp_.path() / "config");
    }

    TempFolder temp_;
    std::filesystem::path db_;
};

TEST_F(CliNamesAndPaths, FolderAndProfileNamesOutsideAsciiEndToEnd) {
    RunResult r = run({"create", kCafe});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::filesystem::path file = db_ / std::u8string(u8"Caf\u00e9 \u65e5\u672c.dat");
    EXPECT_TRUE(std::filesystem::exists(file));
    r = run({"profiles"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::string(kCafe) + "\n");

    r = run({"add", kCafe, "--user-code", "me", "--description", kCafe}, "opensesame\n\xE2\x82\xAC pw\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Added as row 1.\n");
    r = run({"export", kCafe, "--format", "csv"}, "opensesame\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "row,category,description,userCode,password,notes,expiryDate,webSite,email\r\n"
              "1,," +
                  std::string(kCafe) + ",me,\xE2\x82\xAC pw,,,,\r\n");

    r = run({"verify", Utf8(file)});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, Utf8(file) + ": ok (9 lines, version 2, 1 entries)\n");
}

TEST_F(CliNamesAndPaths, DeviceNamesAreNoProfileNames) {
    // On Windows these name devices in every folder: "create NUL" found "NUL.dat" there already.
    for (const char* name : {"NUL", "con", "Com1", "lpt9 "}) {
        const RunResult r = run({"create", name});
        EXPECT_EQ(r.exitCode, 1) << name << r.err;
        EXPECT_NE(r.err.find("A profile name cannot contain any of these characters: . \\ / : * ? \" < > |"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(db_));
}

TEST_F(CliNamesAndPaths, NullInputIsNoTerminal) {
    ASSERT_EQ(run({"create", "Home"}).exitCode, 0);
    // No prompt and no wait for typing: the logon details are simply missing.
    const RunResult r = run({"ls", "Home"}, std::nullopt);
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(r.err, "keyloft-cli: standard input ended before the logon details\n");
}

}  // namespace
}  // namespace keyloft::cli::testing
