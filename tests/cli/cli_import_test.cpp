// keyloft-cli import and the generator's options, through the binary.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace keyloft::cli::testing {
namespace {

constexpr char kPassword[] = "opensesame\n";

class CliImport : public CliImporting {
  protected:
    // Imports the bytes from a file of the test's folder.
    RunResult import(const std::string& profile, const std::string& format, const std::string& bytes,
                     std::vector<std::string> extra = {}) {
        const std::filesystem::path file = temp_.path() / ("input." + format);
        WriteBytes(file, bytes);
        return CliImporting::import(profile, format.c_str(), file, std::move(extra));
    }
    nlohmann::json entries(const std::string& profile) { return exportJson(profile); }
    RunResult run(std::vector<std::string> args, const std::string& input = kPassword) {
        return Cli::run(std::move(args), input);
    }
};

nlohmann::json Entry(std::size_t row, const std::string& category, const std::string& description,
                     const std::string& user, const std::string& password, const std::string& notes,
                     const std::string& web, const std::string& email = "", const std::string& expiry = "") {
    return {{"row", row},           {"category", category}, {"description", description},
            {"userCode", user},     {"password", password}, {"notes", notes},
            {"expiryDate", expiry}, {"webSite", web},       {"email", email}};
}

TEST_F(CliImport, OtherManagersCsvColumnsAndGroupPaths) {
    create("Home");
    ASSERT_EQ(run({"categories", "Home", "add", "Bank"}).exitCode, 0);

    // Group paths, columns in any letter case, and a column nobody uses.
    RunResult r = import("Home", "csv",
                         "Group,Title,Username,Password,URL,Notes,Last Modified\n"
                         "Root/bank,Current account,alice,pw1,https://bank.example,,2026-01-01\n"
                         "Root/Mail/Personal/,Webmail,alice@mail.example,pw2,,two words,\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Read as KeePassXC CSV: 2 entries.\nImported 2 entries and 1 new category.\n");
    EXPECT_EQ(r.err, "keyloft-cli: ignored columns: Last Modified\n");

    // Folder, name, login_* columns: read as Bitwarden's; its bookkeeping named once even when repeated.
    r = import("Home", "csv",
               "folder,favorite,type,name,notes,fields,login_uri,login_username,login_password,type\n"
               "Work,,login,Intranet,,,https://intra.example,bob,pw3,\n"
               ",1,login,Forum,hello,,,carol,pw4,\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Read as Bitwarden CSV: 2 entries.\nImported 2 entries and 1 new category.\n");
    EXPECT_EQ(r.err, "keyloft-cli: ignored columns: type\n");

    // Keyloft's own names, and e-mail and expiry columns.
    r = import("Home", "csv",
               "CATEGORY,description,userCode,password,notes,expiryDate,webSite,email\n"
               "work,Laptop,dave,pw5,,31/1/2027,,dave@work.example\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Read as Keyloft CSV: 1 entry.\nImported 1 entry and 0 new categories.\n");
    EXPECT_EQ(r.err, "");

    const nlohmann::json expected = {
        Entry(1, "Bank", "Current account", "alice", "pw1", "", "https://bank.example"),
        Entry(2, "Mail/Personal", "Webmail", "alice@mail.example", "pw2", "two words", ""),
        Entry(3, "Work", "Intranet", "bob", "pw3", "", "https://intra.example"),
        Entry(4, "", "Forum", "carol", "pw4", "hello\nfavorite: 1", ""),
        Entry(5, "Work", "Laptop", "dave", "pw5", "", "", "dave@work.example", "2027-01-31"),
    };
    EXPECT_EQ(entries("Home"), expected);
    EXPECT_EQ(categories("Home"), "Bank\nMail/Personal\nWork\n");
}

TEST_F(CliImport, OwnExportRoundTripsThroughJsonAndCsv) {
    create("Source");
    ASSERT_EQ(run({"categories", "Source", "add", "Bank"}).exitCode, 0);
    ASSERT_EQ(run({"add", "Source", "--category", "Bank", "--description", "Caf\xC3\xA9, \"main\"",
                   "--user-code", "\xE6\x97\xA5", "--notes", "line one\nline two", "--expiry", "12/27",
                   "--web", " https://x.example ", "--email", "a@b.example"},
                  "opensesame\np\xC3\xA9w,\"d\n")
                  .exitCode,
              0);
    ASSERT_EQ(
        run({"add", "Source", "--user-code", "bob", "--generate", "--length", "40", "--symbols"}).exitCode,
        0);
    const nlohmann::json original = entries("Source");
    ASSERT_EQ(original.size(), 2u);

    for (const std::string format : {"json", "csv"}) {
        SCOPED_TRACE(format);
        const RunResult exported = run({"export", "Source", "--format", format});
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        create("Copy-" + format);
        const RunResult r = import("Copy-" + format, format, exported.out);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "Read as Keyloft " + std::string(format == "json" ? "JSON" : "CSV") +
                             ": 2 entries.\nImported 2 entries and 1 new category.\n");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(entries("Copy-" + format), original);
        EXPECT_EQ(categories("Copy-" + format), "Bank\n");
    }
}

// A rule that refuses a row stops the import; another program's expiry date that is no date goes
// to the notes instead of refusing its row.
TEST_F(CliImport, RefusedRowsStopTheImportUnlessSkipped) {
    create("Home");
    const std::string csv =
        "name,username,password,folder,expiryDate\n"
        "Good,alice,pw,New,\n"
        "Bar,bob,pa|ss,,\n"
        "\"Two\nlines\",,pw,Other,\n"
        "Date,carol,pw,Other,31/2/2027\n"
        "Category,dave,pw,A|B,\n"
        "Also good,erin,pw,new,\n";
    const std::string readAs =
        "Read as CSV of no known program (columns matched by their names): 6 entries.\n";
    const std::string before = ReadBytes(db() / "Home.dat");
    RunResult r = import("Home", "csv", csv);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, readAs);
    EXPECT_EQ(r.err,
              "keyloft-cli: line 3: The character | cannot be used in an entry.\n"
              "keyloft-cli: line 7: The character | cannot be used here.\n"
              "keyloft-cli: nothing imported: 2 rows refused (--skip-invalid imports the rest)\n");
    EXPECT_EQ(ReadBytes(db() / "Home.dat"), before);

    r = import("Home", "csv", csv, {"--skip-invalid"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(
        r.out,
        readAs + "Imported 4 entries and 2 new categories; 1 completed with a placeholder; 2 refused.\n");
    EXPECT_NE(r.err.find("keyloft-cli: line 3: The character | cannot be used in an entry. (skipped)\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("keyloft-cli: line 4: no user code; stored as \"(no user code)\"\n"),
              std::string::npos);
    const nlohmann::json stored = entries("Home");
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[0]["description"], "Good");
    EXPECT_EQ(stored[1]["userCode"], "(no user code)");
    EXPECT_EQ(stored[2]["notes"], "expiryDate: 31/2/2027");
    EXPECT_EQ(stored[2]["expiryDate"], "");
    EXPECT_EQ(stored[3]["category"], "New");  // the category made by the first row, matched ignoring case
    EXPECT_EQ(categories("Home"), "New\nOther\n");  // none for the refused rows

    // Keyloft's own export is refused for a date that is none.
    r = import("Home", "keyloft-csv",
               "category,description,userCode,password,notes,expiryDate\n,D,u,p,,31/2/2027\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("keyloft-cli: line 2: Enter a valid Expiry Date!"), std::string::npos) << r.err;

    // A file that is not CSV or JSON at all is refused as a whole.
    const auto refused = [this](const char* format, const std::string& reason) {
        return "keyloft-cli: cannot import \"" + Utf8(temp_.path() / (std::string("input.") + format)) +
               "\": " + reason + "\n";
    };
    r = import("Home", "csv", "name,username\n\"open,alice\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, refused("csv", "line 2: a quoted field is not closed"));
    r = import("Home", "json", "{\"userCode\": \"x\"}");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              refused("json", "the file does not hold a JSON array of entries or an export's \"items\""));
    r = import("Home", "json", "[{\"userCode\": 5}, {\"userCode\": \"ok\", \"colour\": \"red\"}]");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "keyloft-cli: entry 1: \"userCode\" is not a text\n"
              "keyloft-cli: nothing imported: 1 row refused (--skip-invalid imports the rest)\n");
    EXPECT_EQ(entries("Home").size(), 4u);
}

TEST_F(CliImport, StandardInputWithByteOrderMarkCrLfAndQuotedFields) {
    create("Home");
    const std::string csv =
        "\xEF\xBB\xBFTitle,Username,Password,Notes\r\n"
        "\"Smith, J\",\"j\"\"s\",\"a,b\"\"c\",\"first\r\nsecond\"\r\n"
        "Plain,k,pw,\r\n";
    const RunResult r = run({"import", "Home", "--format", "csv"}, kPassword + csv);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "Read as CSV of no known program (columns matched by their names): 2 entries.\n"
              "Imported 2 entries and 0 new categories.\n");
    const nlohmann::json stored = entries("Home");
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0]["description"], "Smith, J");
    EXPECT_EQ(stored[0]["userCode"], "j\"s");
    EXPECT_EQ(stored[0]["password"], "a,b\"c");
    EXPECT_EQ(stored[0]["notes"], "first\r\nsecond");
    EXPECT_EQ(stored[1]["description"], "Plain");
}

TEST_F(CliImport, GeneratorLengthAndSymbols) {
    RunResult r = RunCli({"generate", "--length", "128", "--symbols"}, "", config());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.out.size(), 129u);
    for (char c : r.out.substr(0, 128)) EXPECT_TRUE(c >= '!' && c <= '~' && c != '|') << c;
    r = RunCli({"generate", "--length", "4"}, "", config());
    ASSERT_EQ(r.out.size(), 5u);
    for (char c : r.out.substr(0, 4)) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
    EXPECT_EQ(RunCli({"generate", "--length", "3"}, "", config()).exitCode, 2);
    EXPECT_EQ(RunCli({"generate", "--length", "129"}, "", config()).exitCode, 2);

    create("Home");
    r = run({"add", "Home", "--user-code", "me", "--generate", "--length", "33", "--symbols"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(entries("Home")[0]["password"].get<std::string>().size(), 33u);
    r = run({"edit", "Home", "1", "--generate", "--length", "12"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(entries("Home")[0]["password"].get<std::string>().size(), 12u);
    // The options belong to --generate.
    EXPECT_EQ(run({"add", "Home", "--user-code", "me", "--length", "12"}).exitCode, 2);
}

}  // namespace
}  // namespace keyloft::cli::testing
