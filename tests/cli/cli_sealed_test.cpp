// keyloft-cli on sealed profiles: seal and unseal, every command on a sealed file, wrong logons and
// damaged files.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "store/profile_verifier.h"

namespace keyloft::cli::testing {
namespace {

bool IsSealed(const std::string& bytes) { return bytes.rfind("KEYLOFT SEALED 1\r\n", 0) == 0; }

// Through the real tool only, and with the limits a user's seal gets (Argon2id, MODERATE).
TEST_F(Cli, SealReadAddExportAndUnsealThroughTheTool) {
    create("Home");
    ASSERT_EQ(run({"categories", "Home", "add", "B\xc3\xa4nk"}, kDefaultPassword).exitCode, 0);
    RunResult r = run({"add", "Home", "--category", "B\xc3\xa4nk", "--description",
                       "K\xc3\xb6ln \xf0\x9f\x94\x91", "--user-code", "alice"},
                      "opensesame\nsecret one\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json original = exportJson("Home");

    ownLogon("Home");
    r = sealOwn("Home");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Sealed the profile \"Home\".\n");
    const std::string sealedBytes = ReadBytes(file("Home"));
    ASSERT_TRUE(IsSealed(sealedBytes));
    EXPECT_EQ(sealedBytes.find("alice"), std::string::npos);
    EXPECT_EQ(sealedBytes.find("secret one"), std::string::npos);

    r = run({"ls", "Home"}, kOwnPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1\t\tB\xc3\xa4nk\tK\xc3\xb6ln \xf0\x9f\x94\x91\talice\t**********"),
              std::string::npos)
        << r.out;
    r = run({"ls", "Home"}, "opensesam\n");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out.find("alice"), std::string::npos);
    EXPECT_NE(r.err.find("The Details are incorrect"), std::string::npos) << r.err;

    r = run({"add", "Home", "--user-code", "bob", "--generate"}, kOwnPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(IsSealed(ReadBytes(file("Home"))));
    const nlohmann::json both = exportJson("Home", kOwnPassword);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], original[0]);
    EXPECT_EQ(both[1]["userCode"], "bob");

    r = run({"verify", file("Home").string()});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find(": ok (sealed, "), std::string::npos) << r.out;

    r = run({"unseal", "Home", "--yes"}, kOwnPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "The profile \"Home\" is in the usual form again.\n");
    const std::string usual = ReadBytes(file("Home"));
    EXPECT_FALSE(IsSealed(usual));
    const VerifyReport report = VerifyProfileBytes(usual);
    EXPECT_TRUE(report.ok);
    EXPECT_FALSE(report.sealed);
    EXPECT_EQ(report.entryCount, 2u);
    EXPECT_EQ(exportJson("Home", kOwnPassword), both);
}

TEST_F(Cli, ADamagedSealedFileIsReportedAndNothingOfItShown) {
    create("Home");
    ownLogon("Home");
    ASSERT_EQ(sealOwn("Home").exitCode, 0);
    std::string bytes = ReadBytes(file("Home"));
    const std::size_t body = bytes.find("body=");
    ASSERT_NE(body, std::string::npos);
    bytes[body + 20] = static_cast<char>(bytes[body + 20] ^ 0x04);
    WriteBytes(file("Home"), bytes);

    RunResult r = run({"ls", "Home"}, kOwnPassword);
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.err, "The profile file is damaged.\n");
    EXPECT_TRUE(r.out.empty());
    r = run({"verify", file("Home").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("the file is damaged"), std::string::npos) << r.out;
    EXPECT_EQ(ReadBytes(file("Home")), bytes);  // left as it is for whoever can mend it
}

}  // namespace
}  // namespace keyloft::cli::testing
