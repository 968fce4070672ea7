// keyloft-cli import of every format it reads, from small files written here from each program's
// documented columns; the KeePassXC export read back; a password store read through a fake pass.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace keyloft::cli::testing {
namespace {

// One entry as `export --format json` shows it (row numbers are added in order).
struct Want {
    std::string category, description, userCode, password, notes, webSite, email = "", expiry = "";
};

nlohmann::json Rows(const std::vector<Want>& wanted) {
    nlohmann::json rows = nlohmann::json::array();
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const Want& w = wanted[i];
        rows.push_back({{"row", i + 1},
                        {"category", w.category},
                        {"description", w.description},
                        {"userCode", w.userCode},
                        {"password", w.password},
                        {"notes", w.notes},
                        {"expiryDate", w.expiry},
                        {"webSite", w.webSite},
                        {"email", w.email}});
    }
    return rows;
}

struct Sample {
    const char* name;
    const char* format;  // nullptr: recognised (--format left out)
    std::string file;
    std::string out, err;  // of the first import (with --skip-invalid)
    std::vector<Want> entries;
};

const Sample kSamples[] = {
    {"keepassxc",
     nullptr,
     "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last "
     "Modified\",\"Created\"\r\n"
     "\"Root/Work/Email\",\"Webmail\",\"alice\",\"pw1\",\"https://mail.example\",\"line one\nline two\","
     "\"otpauth://totp/x?secret=AB\",\"0\",\"2024-01-01T00:00:00Z\",\"2023-01-01T00:00:00Z\"\r\n"
     "\"Root/Home/Email\",\"Webmail\",\"alice\",\"pw2\",\"\",\"\",\"\",\"0\",\"\",\"\"\r\n"
     "\"Root\",\"Card PIN\",\"\",\"1234\",\"\",\"a note\",\"\",\"0\",\"\",\"\"\r\n"
     "\"Root/Work\",\"Bar\",\"bob\",\"pa|ss\",\"\",\"\",\"\",\"0\",\"\",\"\"\r\n",
     "Imported 3 entries and 2 new categories; 1 completed with a placeholder; 1 refused.\n",
     "keyloft-cli: ignored columns: Icon, Last Modified, Created\n"
     "keyloft-cli: line 6: The character | cannot be used in an entry. (skipped)\n"
     "keyloft-cli: line 5: no user code; stored as \"(no user code)\"\n",
     {{"Work/Email", "Webmail", "alice", "pw1", "line one\nline two\nTOTP: otpauth://totp/x?secret=AB",
       "https://mail.example"},
      {"Home/Email", "Webmail", "alice", "pw2", "", ""},
      {"", "Card PIN", "(no user code)", "1234", "a note", ""}}},
    {"bitwarden-csv",
     nullptr,
     "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
     "Work/Email,1,login,Webmail,hi,\"PIN: 1234\nColour: red\",0,\"https://mail.example,https://m.example\","
     "alice,pw1,JBSWY3DP\n"
     ",0,note,Wi-Fi,door code 42,,0,,,,\n",
     "Imported 2 entries and 1 new category; 1 completed with a placeholder.\n",
     "keyloft-cli: ignored columns: type, reprompt\n"
     "keyloft-cli: line 4: no user code; stored as \"(no user code)\"\n",
     {{"Work/Email", "Webmail", "alice", "pw1",
       "hi\nfavorite: 1\nPIN: 1234\nColour: red\nlogin_uri: https://m.example\nlogin_totp: JBSWY3DP",
       "https://mail.example"},
      {"", "Wi-Fi", "(no user code)", "", "door code 42", ""}}},
    {"bitwarden-json",
     nullptr,
     R"({"encrypted": false, "items": [
        {"id": "i1", "folderId": "f1", "type": 1, "reprompt": 0, "name": "Bank", "notes": "joint",
         "favorite": true, "fields": [{"name": "PIN", "value": "9", "type": 1}],
         "login": {"uris": [{"match": null, "uri": "https://bank.example"}, {"uri": "https://m.bank.example"}],
                   "username": "bob", "password": "pw2", "totp": "otpauth://totp/b"},
         "collectionIds": null},
        {"id": "i2", "folderId": null, "type": 3, "name": "Visa", "notes": null, "favorite": false,
         "card": {"cardholderName": "Bob", "brand": "Visa", "number": "4111", "expMonth": "3",
                  "expYear": "2029", "code": "123"}},
        {"id": "i3", "folderId": "f2", "type": 2, "name": "Recovery codes", "notes": "a b c",
         "secureNote": {"type": 0}},
        {"id": "i4", "type": 1, "name": "Broken", "login": {"username": "x|y", "password": "p"}}],
      "folders": [{"id": "f1", "name": "Money/Banks"}, {"id": "f2", "name": "Keys"}]})",
     "Imported 3 entries and 2 new categories; 1 completed with a placeholder; 1 refused.\n",
     "keyloft-cli: ignored keys: id, reprompt, type\n"
     "keyloft-cli: item 4: The character | cannot be used in an entry. (skipped)\n"
     "keyloft-cli: item 3: no user code; stored as \"(no user code)\"\n",
     {{"Money/Banks", "Bank", "bob", "pw2",
       "joint\nfavorite: true\nPIN: 9\ntotp: otpauth://totp/b\nuri: https://m.bank.example",
       "https://bank.example"},
      {"", "Visa", "4111", "123", "brand: Visa\ncardholderName: Bob", "", "", "03/29"},
      {"Keys", "Recovery codes", "(no user code)", "", "a b c", ""}}},
    {"chrome",
     "chrome",
     "name,url,username,password,note\r\n"
     "example.com,https://example.com/login,carol,\"p,w\"\"3\",\"remember\nme\"\r\n",
     "Imported 1 entry and 0 new categories.\n",
     "",
     {{"", "example.com", "carol", "p,w\"3", "remember\nme", "https://example.com/login"}}},
    {"firefox",
     nullptr,
     "url,username,password,httpRealm,formActionOrigin,guid,timeCreated,timeLastUsed,timePasswordChanged\n"
     "https://shop.example.com:8443,dave,pw4,,https://shop.example.com:8443,{g1},1700000000000,1,1\n"
     "https://user@intranet.example/staff,erin,pw5,Staff only,https://intranet.example,{g2},1,1,1\n",
     "Imported 2 entries and 0 new categories.\n",
     "keyloft-cli: ignored columns: guid, timeCreated, timeLastUsed, timePasswordChanged\n",
     {{"", "shop.example.com", "dave", "pw4", "", "https://shop.example.com:8443"},
      {"", "intranet.example", "erin", "pw5",
       "httpRealm: Staff only\nformActionOrigin: https://intranet.example",
       "https://user@intranet.example/staff"}}},
    {"1password",
     nullptr,
     "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\n"
     "Bank,https://bank.example,frank,pw6,otpauth://totp/bank,true,false,\"finance,home\",joint account\n",
     "Imported 1 entry and 0 new categories.\n",
     "",
     {{"", "Bank", "frank", "pw6",
       "joint account\nOTPAuth: otpauth://totp/bank\nFavorite: true\nTags: finance,home",
       "https://bank.example"}}},
    {"keyloft-csv",
     "csv",
     "row,category,description,userCode,password,notes,expiryDate,webSite,email\r\n"
     "1,Bank,Card,4111,pw7,,12/27,, g@example \r\n",
     "Imported 1 entry and 1 new category.\n",
     "",
     {{"Bank", "Card", "4111", "pw7", "", "", " g@example ", "12/27"}}},
    {"keyloft-json",
     nullptr,
     R"([{"row": 1, "category": "", "description": "Laptop", "userCode": "gina", "password": "pw8", "notes": "",
          "expiryDate": "2027-01-31", "webSite": "", "email": ""}])",
     "Imported 1 entry and 0 new categories.\n",
     "",
     {{"", "Laptop", "gina", "pw8", "", "", "", "2027-01-31"}}},
};

class CliImportFormats : public Cli {
  protected:
    RunResult import(const std::string& profile, const char* format, const std::string& path,
                     std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"import", profile, path};
        if (format != nullptr) args.insert(args.end(), {"--format", format});
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args, kDefaultPassword);
    }
};

TEST_F(CliImportFormats, EveryFormatLandsEveryFieldAndImportingTwiceChangesNothing) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        const std::string profile = std::string("P-") + sample.name;
        create(profile);
        const std::filesystem::path file = temp_.path() / (std::string(sample.name) + ".txt");
        WriteBytes(file, sample.file);

        RunResult r = import(profile, sample.format, file.string(), {"--skip-invalid"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, sample.out);
        EXPECT_EQ(r.err, sample.err);
        const nlohmann::json expected = Rows(sample.entries);
        EXPECT_EQ(exportJson(profile), expected);

        r = import(profile, sample.format, file.string(), {"--skip-invalid"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "Imported 0 entries and 0 new categories; " + std::to_string(sample.entries.size()) +
                             " skipped as duplicates" +
                             (sample.out.find("refused") != std::string::npos ? "; 1 refused" : "") + ".\n");
        EXPECT_EQ(exportJson(profile), expected);
    }
}

TEST_F(CliImportFormats, FilesOfNoKnownFormatAreRefusedWhole) {
    create("Home");
    const std::filesystem::path file = temp_.path() / "odd.csv";
    WriteBytes(file, "colour,size\nred,10\n");
    RunResult r = import("Home", nullptr, file.string());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "keyloft-cli: cannot import: the header row names none of the columns of this format\n");
    WriteBytes(file, R"({"encrypted": true, "encKeyValidation_DO_NOT_EDIT": "x", "data": "y"})");
    r = import("Home", nullptr, file.string());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(
        r.err,
        "keyloft-cli: cannot import: the file is an encrypted export; export the vault again as unencrypted "
        "JSON\n");
    EXPECT_EQ(exportJson("Home"), nlohmann::json::array());
}

TEST_F(CliImportFormats, KeePassXcExportToAnOwnerOnlyFileReadsBackTheSame) {
    create("Source");
    ASSERT_EQ(run({"categories", "Source", "add", "Work/Email"}, kDefaultPassword).exitCode, 0);
    ASSERT_EQ(run({"add", "Source", "--category", "Work/Email", "--description", "Caf\xC3\xA9, \"main\"",
                   "--user-code", "alice", "--notes", "line one\nline two", "--expiry", "12/27", "--web",
                   "https://x.example", "--email", " a@b.example "},
                  "opensesame\np\xC3\xA9w,\"d\n")
                  .exitCode,
              0);
    ASSERT_EQ(
        run({"add", "Source", "--user-code", "bob", "--expiry", "2027-01-31"}, "opensesame\npw\n").exitCode,
        0);
    const nlohmann::json original = exportJson("Source");

    const std::filesystem::path file = temp_.path() / "out.csv";
    WriteBytes(file, "old");
#ifndef _WIN32
    ::chmod(file.c_str(), 0644);
#endif
    RunResult r =
        run({"export", "Source", "--format", "keepassxc", "--output", file.string()}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const std::string text = ReadBytes(file);
    EXPECT_EQ(
        text.substr(0, text.find("\r\n")),
        "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last Modified\","
        "\"Created\",\"Email\",\"Expiry Date\"");
    EXPECT_NE(text.find("\r\n\"Root\",\"\",\"bob\",\"pw\","), std::string::npos);
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif

    create("Copy");
    r = import("Copy", "keepassxc", file.string());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Imported 2 entries and 1 new category.\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(exportJson("Copy"), original);
}

#ifndef _WIN32
// A pass program that "decrypts" by printing the file, and says what gpg says of a file that
// asks for a key it does not have.
constexpr char kFakePass[] =
    "#!/bin/sh\n"
    "[ \"$1\" = show ] && [ \"$2\" = -- ] || exit 1\n"
    "f=\"$PASSWORD_STORE_DIR/$3.gpg\"\n"
    "if grep -q NOKEY \"$f\"; then echo 'gpg: decryption failed: No secret key' >&2; exit 2; fi\n"
    "cat \"$f\"\n";

TEST_F(CliImportFormats, PasswordStoreThroughThePassProgram) {
    const std::filesystem::path bin = temp_.path() / "bin", store = temp_.path() / "store";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(store / "Work" / "Email");
    std::filesystem::create_directories(store / ".git");
    WriteBytes(bin / "pass", kFakePass);
    ::chmod((bin / "pass").c_str(), 0755);
    WriteBytes(store / "Work" / "Email" / "alice.gpg",
               "pw1\nlogin: alice\nurl: https://mail.example\nsecurity question: blue\n\n");
    WriteBytes(store / "wifi.gpg", "door42\nUser: guest\nsecond line\n");
    WriteBytes(store / "-c.gpg", "1234\n");  // a name, not pass's option
    WriteBytes(store / ".git" / "x.gpg", "not an entry\n");
    WriteBytes(store / ".gpg-id", "someone\n");
    create("Home");

    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1);
    RunResult r = import("Home", "pass", store.string());
    const RunResult again = import("Home", nullptr, store.string());  // a folder: recognised as a store
    ::setenv("PATH", temp_.path().c_str(), 1);                        // no pass at all
    const RunResult noPass = import("Home", "pass", store.string());
    ::setenv("PATH", savedPath.c_str(), 1);

    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Imported 3 entries and 1 new category; 1 completed with a placeholder.\n");
    EXPECT_EQ(r.err, "keyloft-cli: -c: no user code; stored as \"(no user code)\"\n");
    EXPECT_EQ(
        exportJson("Home"),
        Rows({{"", "-c", "(no user code)", "1234", "", ""},
              {"Work/Email", "alice", "alice", "pw1", "security question: blue", "https://mail.example"},
              {"", "wifi", "guest", "door42", "second line", ""}}));
    EXPECT_EQ(again.out, "Imported 0 entries and 0 new categories; 3 skipped as duplicates.\n") << again.err;
    EXPECT_EQ(noPass.exitCode, 1);
    EXPECT_EQ(noPass.err,
              "keyloft-cli: cannot import: the pass program was not found; install pass (with gpg and the "
              "store's key) and try again\n");

    WriteBytes(store / "locked.gpg", "NOKEY\n");
    ::setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1);
    const RunResult noKey = import("Home", "pass", store.string());
    ::setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(noKey.exitCode, 1);
    EXPECT_EQ(noKey.err,
              "keyloft-cli: cannot import: pass cannot show \"locked\": the key that decrypts the password "
              "store is missing (gpg: decryption failed: No secret key)\n");
}
#endif

}  // namespace
}  // namespace keyloft::cli::testing
