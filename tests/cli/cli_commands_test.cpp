// keyloft-cli driven through its binary: temporary folders, piped input, exit status and output.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/utf8_text.h"
#include "cli_fixture.h"
#include "cli_process.h"
#include "platform/platform_core.h"
#include "store/file_system.h"
#include "store/profile_store.h"
#include "store/profile_verifier.h"
#include "support/profile_file_edit.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::cli::testing {
namespace {

TEST_F(Cli, CreateAddListEditShowRemove) {
    RunResult r = run({"create", "Home"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"opensesame\""), std::string::npos);
    EXPECT_EQ(run({"profiles"}).out, "Home\n");
    ASSERT_EQ(run({"categories", "Home", "add", " Bank "}, kDefaultPassword).exitCode, 0);

    r = run({"add", "Home", "--category", "bank", "--description", " Main account ", "--user-code", " alice ",
             "--expiry", "12/05", "--web", " https://bank.example "},
            "opensesame\n s3cret \n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Added as row 1.\n");
    r = run({"add", "Home", "--user-code", "bob", "--generate", "--expiry", "31/1/2037"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    r = run({"ls", "Home"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "Row\t!\tCategory\tDescription\tUser/Account Code\tPassword/PIN\tNotes\tExpiry Date\tWeb "
              "Site\tEmail\n"
              "1\t!\tBank\tMain account\talice\t**********\t\t12/05\t https://bank.example \t\n"
              "2\t\t\t\tbob\t**********\t\t2037-01-31\t\t\n");
    EXPECT_EQ(run({"ls", "Home", "--category", "Bank"}, kDefaultPassword).out.find("bob"), std::string::npos);

    r = run({"edit", "Home", "1", "--notes", "first line\nsecond line"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Saved as row 2.\n");  // an edited entry moves to the end

    r = run({"show", "Home", "2", "--show-password", "--json"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json alice = nlohmann::json::parse(r.out);
    EXPECT_EQ(alice["userCode"], "alice");
    EXPECT_EQ(alice["password"], "s3cret");
    EXPECT_EQ(alice["notes"], "first line\nsecond line");
    EXPECT_EQ(alice["category"], "Bank");
    EXPECT_EQ(alice["expiryDate"], "12/05");
    r = run({"show", "Home", "2"}, kDefaultPassword);
    EXPECT_NE(r.out.find("Password/PIN: **********\n"), std::string::npos);
    EXPECT_EQ(r.out.find("s3cret"), std::string::npos);

    const nlohmann::json before = exportJson("Home");
    ASSERT_EQ(before.size(), 2u);
    const std::string bobPassword = before[0]["password"];
    EXPECT_EQ(bobPassword.size(), 7u);

    r = run({"rm", "Home", "1"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json after = exportJson("Home");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0]["userCode"], "alice");
    EXPECT_EQ(after[0]["row"], 1);

    r = run({"verify", file("Home").string()});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find(": ok ("), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 entries)"), std::string::npos) << r.out;
}

TEST_F(Cli, RefusedEntriesLeaveTheFileAsItWas) {
    create("Home");
    const std::string original = ReadBytes(file("Home"));
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"add", "Home", "--user-code", "   "},
         "opensesame\npw\n",
         "Account/UserCode must have a valid entry!\n"},
        {{"add", "Home", "--user-code", "me", "--expiry", "29/02/2023"},
         "opensesame\npw\n",
         "  Enter a valid Expiry Date!\nType a month as 12/27 or 12/2027, or a day as 2027-12-31 or "
         "31/12/2027.\n"},
        {{"add", "Home", "--user-code", "me", "--description", "a|b"},
         "opensesame\npw\n",
         "The character | cannot be used in an entry.\n"},
        {{"add", "Home", "--user-code", "me", "--category", "Nowhere"}, "opensesame\npw\n", "no category"},
        {{"categories", "Home", "add", "   "}, kDefaultPassword, "You have not specified a Category!\n"},
        {{"categories", "Home", "add", "x|y"}, kDefaultPassword, "The character | cannot be used here.\n"},
        {{"show", "Home", "1"}, kDefaultPassword, "no entry at row 1"},
        {{"add", "Home", "--user-code", "me"}, "opensesame\n", "ended before the entry's password"},
    };
    for (const Case& c : cases) {
        const RunResult r = run(c.args, c.input);
        EXPECT_EQ(r.exitCode, 1) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(file("Home")), original) << r.err;
    }
}

TEST_F(Cli, CategoriesAreUniqueIgnoringCaseAndEntriesKeepTheirText) {
    create("Home");
    ASSERT_EQ(run({"categories", "Home", "add", "Bank"}, kDefaultPassword).exitCode, 0);
    ASSERT_EQ(run({"categories", "Home", "add", "Shop"}, kDefaultPassword).exitCode, 0);
    RunResult r = run({"categories", "Home", "add", "BANK"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("This Category already exists!\n"), std::string::npos);
    EXPECT_EQ(run({"categories", "Home", "rename", "Shop", "bank"}, kDefaultPassword).exitCode, 1);
    ASSERT_EQ(run({"add", "Home", "--user-code", "me", "--category", "Bank", "--generate"}, kDefaultPassword)
                  .exitCode,
              0);
    ASSERT_EQ(run({"categories", "Home", "rename", "Bank", "Banking"}, kDefaultPassword).exitCode, 0);
    EXPECT_EQ(run({"categories", "Home"}, kDefaultPassword).out, "Shop\nBanking\n");
    EXPECT_EQ(exportJson("Home")[0]["category"], "Bank");
    ASSERT_EQ(run({"categories", "Home", "rm", "Shop"}, kDefaultPassword).exitCode, 0);
    EXPECT_EQ(run({"categories", "Home"}, kDefaultPassword).out, "Banking\n");
    EXPECT_EQ(run({"categories", "Home", "rm", "Shop"}, kDefaultPassword).exitCode, 1);
}

TEST_F(Cli, BlankEntryPasswordIsStoredAfterAWarning) {
    create("Home");
    const RunResult r = run({"add", "Home", "--user-code", "me"}, "opensesame\n   \n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Warning: Password is blank!"), std::string::npos) << r.err;
    EXPECT_EQ(exportJson("Home")[0]["password"], "");
}

TEST_F(Cli, UsageErrorsExitTwoWithAHint) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"frobnicate"},
                                               {"export", "Home"},
                                               {"export", "Home", "--format", "xml"},
                                               {"show", "Home", "0"},
                                               {"categories", "Home", "move", "a"},
#ifndef _WIN32  // a Windows command line is UTF-16 and cannot carry bytes that are not UTF-8
                                               {"add", "Home", "--user-code", "\xFF"},
#endif
                                               {}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("keyloft-cli"), std::string::npos) << r.err;
    }
    const RunResult help = run({"add", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--user-code"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
}

TEST_F(Cli, LogonIsRefusedPerMode) {
    create("P1");
    create("P2");
    create("P3");
    setLogon("P1", kPasswordOnly, u"", u"Pass word", u"");
    setLogon("P2", kUserIdAndPassword, u"Ann", u"pw2", u"");
    setLogon("P3", kUserIdPasswordAndPin, u"Bo", u"pw3", u"1234");
    struct Case {
        std::string profile, input;
        int expected;
    };
    const std::vector<Case> cases = {
        {"P1", "Pass word\n", 0},
        {"P1", "  Pass word  \n", 0},
        {"P1", "pass word\n", 3},
        {"P1", "opensesame\n", 3},
        {"P1", "", 3},
        {"P2", "Ann\npw2\n", 0},
        {"P2", "ann\npw2\n", 3},
        {"P2", "Ann\npw3\n", 3},
        {"P2", "pw2\n", 3},
        {"P3", "Bo\npw3\n1234\n", 0},
        {"P3", "Bo\npw3\n1235\n", 3},
        {"P3", "Bo\npw3\n", 3},
        {"P3", "Bo \r\n pw3\r\n1234\r\n", 0},
    };
    for (const Case& c : cases) {
        const RunResult r = run({"ls", c.profile}, c.input);
        EXPECT_EQ(r.exitCode, c.expected) << c.profile << " " << c.input << " " << r.err;
        if (c.expected == 3 && !c.input.empty() && c.input != "pw2\n" && c.input != "Bo\npw3\n") {
            EXPECT_NE(r.err.find(" The Details are incorrect. Please re-enter.\n"), std::string::npos)
                << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
}

TEST_F(Cli, EntryPasswordFromATerminalIsAskedTwiceWithoutEcho) {
#ifdef _WIN32
    GTEST_SKIP() << "a console cannot be driven from a test on Windows";
#else
    create("Home");
    std::string shown;
    RunResult r = RunCliOnTerminal({"--database", db().string(), "add", "Home", "--user-code", "me"},
                                   {{"Password: ", "opensesame"},
                                    {"Entry password: ", "hunter2"},
                                    {"Confirm entry password: ", "hunter3"}},
                                   config(), shown);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("Password and confirmation entry do not match!\n"), std::string::npos) << r.err;
    EXPECT_EQ(shown.find("hunter"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("opensesame"), std::string::npos) << shown;

    shown.clear();
    r = RunCliOnTerminal({"--database", db().string(), "add", "Home", "--user-code", "me"},
                         {{"Password: ", "opensesame"},
                          {"Entry password: ", "hunter2"},
                          {"Confirm entry password: ", " hunter2 "}},
                         config(), shown);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(exportJson("Home")[0]["password"], "hunter2");
#endif
}

TEST_F(Cli, DeleteAsksAndProfilesListsWhatIsLeft) {
    create("A");
    create("B");
    RunResult r = run({"delete", "A"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(file("A")));
    r = run({"delete", "A", "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(run({"profiles"}).out, "B\n");
    ASSERT_EQ(run({"delete", "B", "--yes"}).exitCode, 0);
    r = run({"profiles"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    // No question when the folder holds no profile; the folder is named.
    EXPECT_EQ(r.err,
              "Database folder: " + Utf8(db()) + " (no profiles yet: keyloft-cli create NAME makes one)\n");
}

TEST_F(Cli, ALineThatCannotBeDecryptedEndsTheProgramWithoutSaving) {
    create("Home");
    std::string bytes = ReadBytes(file("Home"));
    // Two digits fewer on the third line: its byte count is no longer a whole number of blocks.
    std::size_t third = 0;
    for (int line = 0; line < 2; ++line) third = bytes.find("\r\n", third) + 2;
    bytes.erase(third, 2);
    WriteBytes(file("Home"), bytes);
    const RunResult r = run({"add", "Home", "--user-code", "me", "--generate"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 7) << r.err;
    EXPECT_NE(r.err.find("Decrypt Error: Invalid data.\n"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file("Home")), bytes);
    const RunResult check = run({"verify", file("Home").string()});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_NE(check.out.find("line 3: "), std::string::npos) << check.out;
}

class CliVerify : public Cli {};

TEST_F(CliVerify, GoodAndBrokenFiles) {
    create("Home");
    ASSERT_EQ(run({"add", "Home", "--user-code", "me", "--notes", "some notes"}, "opensesame\npw\n").exitCode,
              0);
    const std::string good = ReadBytes(file("Home"));
    ASSERT_GT(good.size(), 200u);

    const auto damaged = [&](const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = db() / name;
        WriteBytes(path, bytes);
        return path.string();
    };
    std::string flipped = good;
    const std::size_t digit = good.size() / 2;
    flipped[digit] = flipped[digit] == 'A' ? 'B' : 'A';
    std::mt19937 random(12345);
    std::string noise(3000, '\0');
    for (char& c : noise) c = static_cast<char>(random());

    const std::vector<std::string> broken = {
        damaged("truncated.dat", good.substr(0, good.size() - 70)),
        damaged("flipped.dat", flipped),
        damaged("noise.dat", noise),
        damaged("empty.dat", ""),
        damaged("short-line.dat", good.substr(0, 100) + good.substr(101)),
        (db() / "missing.dat").string(),
    };
    for (const std::string& path : broken) {
        const RunResult r = run({"verify", path});
        EXPECT_EQ(r.exitCode, 1) << path << "\n" << r.out << r.err;
        EXPECT_EQ(r.out.rfind(path + ": ", 0), 0u) << r.out;
        EXPECT_EQ(r.out.find(": ok"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("me"), std::string::npos);  // no field is printed
    }
    const RunResult r = run({"verify", file("Home").string(), broken[0], broken[2]});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
    EXPECT_EQ(ReadBytes(file("Home")), good);
}

TEST_F(CliVerify, ALineOneBlockTooLongIsFoundByTheTotalLength) {
    create("Home");
    const std::string longer = keyloft::testing::LengthenVersionLine(ReadBytes(file("Home")));
    ASSERT_FALSE(longer.empty());
    WriteBytes(file("Home"), longer);  // same line count, every record sound, 64 characters more

    RunResult r = run({"verify", file("Home").string()});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find(": trailer check failed: line count 8 (file has 8), total length "),
              std::string::npos)
        << r.out;
    r = run({"ls", "Home"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 6) << r.err;
    EXPECT_EQ(ReadBytes(file("Home")), longer);
}

// Every way a load can end reaches its own exit code, with what the window would have said.
TEST_F(Cli, EveryWayALoadEndsHasItsExitCode) {
    create("Home");
    const std::string sound = ReadBytes(file("Home"));
    const std::string wrongSum = keyloft::testing::BreakVersionSum(sound);
    ASSERT_FALSE(wrongSum.empty());
    const struct {
        const char* name;
        std::string bytes;  // written as Home.dat first
        std::vector<std::string> args;
        int expected;
        const char* said;
    } cases[] = {
        {"loaded", sound, {"ls", "Home"}, 0, ""},
        {"not found", sound, {"ls", "Nobody"}, 6, "the profile \"Nobody\" could not be loaded"},
        {"bad name", sound, {"ls", "a:b"}, 1, "A profile name cannot contain any of these characters"},
        {"empty", "", {"ls", "Home"}, 6, "The profile file is empty."},
        {"record sum", wrongSum, {"ls", "Home"}, 6, "Invalid Data\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(file("Home"), c.bytes);
        const RunResult r = run(c.args, kDefaultPassword);
        EXPECT_EQ(r.exitCode, c.expected) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        if (c.expected != 0) {
            EXPECT_EQ(r.out, "");
        }
    }
}

class CliSharing : public Cli {};

TEST_F(CliSharing, AProfileHeldByAnotherInstanceIsNotTouched) {
    create("Home");
    {
        DirectStore other(temp_.path());
        ASSERT_TRUE(other.store.open().openProfile(u"Home").loaded());
        const RunResult r =
            run({"add", "Home", "--user-code", "cli", "--generate", "--wait", "0"}, kDefaultPassword);
        EXPECT_EQ(r.exitCode, 6) << r.err;
        EXPECT_NE(r.err.find("is in use by another user"), std::string::npos) << r.err;
        ASSERT_TRUE(Saved(AddEntryRecord(other.store, u"4||other|other|pw||||")));
    }
    const RunResult r = run({"add", "Home", "--user-code", "cli", "--generate"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json entries = exportJson("Home");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]["userCode"], "other");
    EXPECT_EQ(entries[1]["userCode"], "cli");
}

TEST_F(CliSharing, TwoProcessesAddingAtOnce) {
    create("Home");
    CliProcess first({"--database", db().string(), "add", "Home", "--user-code", "first", "--generate"},
                     kDefaultPassword, config());
    CliProcess second({"--database", db().string(), "add", "Home", "--user-code", "second", "--generate"},
                      kDefaultPassword, config());
    const RunResult results[2] = {first.finish(), second.finish()};
    int saved = 0;
    for (const RunResult& r : results) {
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 4 || r.exitCode == 6) << r.exitCode << r.err;
        if (r.exitCode == 0) ++saved;
    }
    EXPECT_GE(saved, 1);
    const VerifyReport report = VerifyProfileBytes(ReadBytes(file("Home")));
    EXPECT_TRUE(report.ok) << Utf16ToUtf8(report.fault);
    EXPECT_EQ(report.entryCount, static_cast<std::size_t>(saved));
    const nlohmann::json entries = exportJson("Home");
    const char* names[2] = {"first", "second"};
    for (int i = 0; i < 2; ++i) {
        bool present = false;
        for (const auto& entry : entries) present = present || entry["userCode"] == names[i];
        EXPECT_EQ(present, results[i].exitCode == 0) << names[i];
    }
    EXPECT_FALSE(std::filesystem::exists(db() / "Home.dat.bak"));
}

TEST_F(Cli, ExportRoundTripsTextOutsideAscii) {
    create("Home");
    const std::string description = "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";  // Café 日本
    const std::string notes = "smile \xF0\x9F\x98\x80, \"quoted\"\nnext line";
    const std::string password = "p\xC3\xA9\xF0\x9F\x98\x80";
    RunResult r =
        run({"add", "Home", "--user-code", "\xE6\x97\xA5", "--description", description, "--notes", notes},
            "opensesame\n" + password + "\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const nlohmann::json entries = exportJson("Home");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]["description"], description);
    EXPECT_EQ(entries[0]["notes"], notes);
    EXPECT_EQ(entries[0]["password"], password);
    EXPECT_EQ(entries[0]["userCode"], "\xE6\x97\xA5");

    r = run({"export", "Home", "--format", "csv"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(FromUtf8(r.out).has_value());
    EXPECT_EQ(r.out,
              "row,category,description,userCode,password,notes,expiryDate,webSite,email\r\n"
              "1,," +
                  description + ",\xE6\x97\xA5," + password +
                  ",\"smile \xF0\x9F\x98\x80, \"\"quoted\"\"\nnext line\",,,\r\n");
}

TEST_F(Cli, GenerateAndMissingProfile) {
    RunResult r = RunCli({"generate"}, "", config());
    ASSERT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.out.size(), 8u);
    r = run({"ls", "Nobody"}, kDefaultPassword);
    EXPECT_EQ(r.exitCode, 6) << r.err;
}

TEST_F(Cli, GlobalOptionsMayComeBeforeOrAfterTheCommand) {
    create("Home");
    const std::string folder = db().string();
    const std::string listing = run({"ls", "Home"}, kDefaultPassword).out;
    ASSERT_NE(listing, "");
    // The settings name no folder: only the option can lead keyloft-cli to the profile.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--database", folder, "ls", "Home"},
                                               {"ls", "Home", "--database", folder},
                                               {"ls", "--database", folder, "Home"},
                                               {"ls", "Home", "--database=" + folder},
                                               {"--yes", "--database", folder, "ls", "Home"},
                                               {"--database", folder, "ls", "Home", "--yes"},
                                               {"--database", folder, "ls", "Home", "-y"},
                                               {"-y", "ls", "Home", "--database", folder}}) {
        const RunResult r = RunCli(args, kDefaultPassword, config());
        EXPECT_EQ(r.exitCode, 0) << args[0] << " " << args[1] << " " << args[2] << "\n" << r.err;
        EXPECT_EQ(r.out, listing);
    }
    // --yes answers the question before a profile is deleted, wherever it stands.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--yes", "--database", folder, "delete", "A"},
                                               {"-y", "delete", "A", "--database", folder},
                                               {"--database", folder, "delete", "A", "--yes"},
                                               {"delete", "A", "-y", "--database", folder}}) {
        create("A");
        const RunResult r = RunCli(args, "", config());
        EXPECT_EQ(r.exitCode, 0) << args[0] << " " << args[1] << " " << args[2] << "\n" << r.err;
        EXPECT_FALSE(std::filesystem::exists(file("A")));
    }
}

TEST_F(Cli, CsvExportQuotesLineBreaksQuotesAndCommasAndKeepsBlanks) {
    create("Home");
    const RunResult added = run({"add", "Home", "--description", "cr\ronly", "--user-code", "say \"hi\"",
                                 "--notes", "lf\nonly", "--web", " lead and trail ", "--email", "cr\r\nlf"},
                                "opensesame\np,w\n");
    ASSERT_EQ(added.exitCode, 0) << added.err;
    ASSERT_EQ(
        run({"add", "Home", "--user-code", "plain", "--notes", "tab\there"}, "opensesame\n x \n").exitCode,
        0);
    const RunResult r = run({"export", "Home", "--format", "csv"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "row,category,description,userCode,password,notes,expiryDate,webSite,email\r\n"
              "1,,\"cr\ronly\",\"say \"\"hi\"\"\",\"p,w\",\"lf\nonly\",, lead and trail ,\"cr\r\nlf\"\r\n"
              "2,,,plain,x,tab\there,,,\r\n");
}

}  // namespace
}  // namespace keyloft::cli::testing
