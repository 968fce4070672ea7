// keyloft-cli import of every format it reads, from small files written here from each program's
// documented columns and keys: every value lands in a field or in the notes, every row is counted,
// and a second import changes nothing. A password store is read through a fake pass.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "support/zip_writer.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace keyloft::cli::testing {
namespace {

using keyloft::testing::WriteZip;
using keyloft::testing::ZipMember;

struct Sample {
    const char* name;
    const char* format;  // nullptr: recognised (--format left out)
    std::string file;    // the file's bytes, unless it is a ZIP archive of
    std::vector<ZipMember> zip;
    std::string out, err;  // of the first import (with --skip-invalid)
    std::vector<WantEntry> entries;
    std::string categories = "";  // when not empty: `categories` afterwards
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
     {},
     "Read as KeePassXC CSV: 4 entries.\n"
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
     ",0,note,Wi-Fi,door code 42,,0,,,,\n"
     "Work/Email,1,login,Webmail,hi,\"PIN: 1234\nColour: red\",0,\"https://mail.example,https://m.example\","
     "alice,pw1,JBSWY3DP\n",
     {},
     "Read as Bitwarden CSV: 3 entries.\n"
     "Imported 2 entries and 1 new category; 1 completed with a placeholder; 1 skipped as duplicates.\n",
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
     {},
     "Read as Bitwarden JSON: 4 entries.\n"
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
     {},
     "Read as Chrome CSV: 1 entry.\nImported 1 entry and 0 new categories.\n",
     "",
     {{"", "example.com", "carol", "p,w\"3", "remember\nme", "https://example.com/login"}}},
    {"firefox",
     nullptr,
     "url,username,password,httpRealm,formActionOrigin,guid,timeCreated,timeLastUsed,timePasswordChanged\n"
     "https://shop.example.com:8443,dave,pw4,,https://shop.example.com:8443,{g1},1700000000000,1,1\n"
     "https://user@intranet.example/staff,erin,pw5,Staff only,https://intranet.example,{g2},1,1,1\n"
     ",,,,,{g3},1,1,1\n",
     {},
     "Read as Firefox CSV: 3 entries.\nImported 2 entries and 0 new categories; 1 refused.\n",
     "keyloft-cli: ignored columns: guid, timeCreated, timeLastUsed, timePasswordChanged\n"
     "keyloft-cli: line 4: it holds nothing to import but guid, timeCreated, timeLastUsed, "
     "timePasswordChanged (skipped)\n",
     {{"", "shop.example.com", "dave", "pw4", "", "https://shop.example.com:8443"},
      {"", "intranet.example", "erin", "pw5",
       "httpRealm: Staff only\nformActionOrigin: https://intranet.example",
       "https://user@intranet.example/staff"}}},
    {"1password",
     nullptr,
     "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\n"
     "Bank,https://bank.example,frank,pw6,otpauth://totp/bank,true,false,\"finance,home\",joint account\n",
     {},
     "Read as 1Password CSV: 1 entry.\nImported 1 entry and 0 new categories.\n",
     "",
     {{"", "Bank", "frank", "pw6",
       "joint account\nOTPAuth: otpauth://totp/bank\nFavorite: true\nTags: finance,home",
       "https://bank.example"}}},
    // A login with only an e-mail address: that is its user code too; the vault is the category.
    {"protonpass-csv",
     nullptr,
     "type,name,url,email,username,password,note,totp,createTime,modifyTime,vault\n"
     "login,GitHub,https://github.com,alice@mail.example,,pw1,my "
     "notes,otpauth://totp/GH,1700000000,1700000001,Work\n"
     "login,Shop,\"https://shop.example, https://m.shop.example\",,bob,pw2,,,1700000000,1700000000,Personal\n"
     "note,Door code,,,,,1234 then #,,1700000000,1700000000,Personal\n",
     {},
     "Read as Proton Pass CSV: 3 entries.\n"
     "Imported 3 entries and 2 new categories; 1 completed with a placeholder.\n",
     "keyloft-cli: ignored columns: type, createTime, modifyTime\n"
     "keyloft-cli: line 4: no user code; stored as \"(no user code)\"\n",
     {{"Work", "GitHub", "alice@mail.example", "pw1", "my notes\ntotp: otpauth://totp/GH",
       "https://github.com", "alice@mail.example"},
      {"Personal", "Shop", "bob", "pw2", "url: https://m.shop.example", "https://shop.example"},
      {"Personal", "Door code", "(no user code)", "", "1234 then #", ""}}},
    {"protonpass-zip",
     nullptr,
     "",
     {{"Proton Pass/data.json",
       R"({"version": "1.17.0", "userId": "u1", "encrypted": false, "vaults": {"s1": {
           "name": "Personal", "description": "", "display": {"icon": 1, "color": 1}, "items": [
           {"itemId": "i1", "shareId": "s1", "state": 1, "aliasEmail": null, "contentFormatVersion": 1,
            "createTime": 1700000000, "modifyTime": 1700000000, "pinned": true,
            "data": {"metadata": {"name": "GitHub", "note": "work account", "itemUuid": "x1"},
                     "extraFields": [{"fieldName": "PIN", "type": "hidden", "data": {"content": "4321"}}],
                     "type": "login",
                     "content": {"itemEmail": "erin@mail.example", "itemUsername": "erin", "password": "pw5",
                                 "urls": ["https://github.com", "https://gist.github.com"],
                                 "totpUri": "otpauth://totp/GH", "passkeys": []}}},
           {"itemId": "i2", "shareId": "s1", "state": 1, "aliasEmail": null, "contentFormatVersion": 1,
            "createTime": 1700000000, "modifyTime": 1700000000, "pinned": false,
            "data": {"metadata": {"name": "Visa", "note": "", "itemUuid": "x2"}, "extraFields": [],
                     "type": "creditCard",
                     "content": {"cardholderName": "Erin Doe", "cardType": 0, "number": "4000123412341234",
                                 "verificationNumber": "987", "expirationDate": "2028-11", "pin": "1111"}}}]}}})"}},
     "Read as Proton Pass ZIP: 2 entries.\nImported 2 entries and 1 new category.\n",
     "keyloft-cli: ignored keys: contentFormatVersion, createTime, itemUuid, itemId, modifyTime, shareId, "
     "state\n",
     {{"Personal", "GitHub", "erin", "pw5",
       "work account\ntotpUri: otpauth://totp/GH\nurl: https://gist.github.com\nPIN: 4321\npinned: yes",
       "https://github.com", "erin@mail.example"},
      {"Personal", "Visa", "4000123412341234", "987", "cardType: 0\ncardholderName: Erin Doe\npin: 1111", "",
       "", "11/28"}}},
    // Dashlane's files, as its ZIP archive holds them: the bank account's numbers, the second user
    // name, the card's number, code and expiry and the document's number all kept.
    {"dashlane-zip",
     nullptr,
     "",
     {{"credentials.csv",
       "username,username2,username3,title,password,note,url,category,otpSecret\n"
       "dave,dave@mail.example,,Mail,pw4,,https://mail.example,Personal,JBSWY3DP\n"},
      {"payments.csv",
       "type,account_name,account_holder,cc_number,code,expiration_month,expiration_year,routing_number,"
       "account_number,country,issuing_bank\n"
       "payment_card,Visa,Dave Doe,4111111111111111,123,3,2029,,,US,\n"
       "bank,,Dave Doe,,,,,021000021,12345678,US,First Bank\n"},
      {"ids.csv",
       "type,number,name,issue_date,expiration_date,place_of_issue,state\n"
       "passport,X1234567,Dave Doe,2020-01-15,2030-01-14,London,\n"},
      {"personalInfo.csv",
       "type,title,first_name,middle_name,last_name,login,date_of_birth,place_of_birth,email,email_type,"
       "item_name,phone_number,address,country,state,city,zip,address_recipient,address_building,"
       "address_apartment,address_floor,address_door_code,job_title,url\n"
       "email,,,,,,,,dave@home.example,personal,Home mail,,,,,,,,,,,,,\n"},
      {"securenotes.csv", "title,note\nWi-Fi,door 42\n"}},
     "Read as Dashlane ZIP: 6 entries (credentials.csv: 1, payments.csv: 2, ids.csv: 1, personalInfo.csv: 1, "
     "securenotes.csv: 1).\n"
     "Imported 6 entries and 1 new category; 1 completed with a placeholder.\n",
     "keyloft-cli: securenotes.csv line 2: no user code; stored as \"(no user code)\"\n",
     {{"Personal", "Mail", "dave", "pw4", "username2: dave@mail.example\notpSecret: JBSWY3DP",
       "https://mail.example"},
      {"", "Visa", "4111111111111111", "123", "type: payment_card\naccount_holder: Dave Doe\ncountry: US", "",
       "", "03/29"},
      {"", "", "12345678", "",
       "type: bank\naccount_holder: Dave Doe\nrouting_number: 021000021\ncountry: US\nissuing_bank: First "
       "Bank",
       ""},
      {"", "Dave Doe", "X1234567", "", "type: passport\nissue_date: 2020-01-15\nplace_of_issue: London", "",
       "", "2030-01-14"},
      {"", "Home mail", "dave@home.example", "", "type: email\nemail_type: personal", "",
       "dave@home.example"},
      {"", "Wi-Fi", "(no user code)", "", "door 42", ""}}},
    {"dashlane-payments",
     nullptr,
     "type,account_name,account_holder,cc_number,code,expiration_month,expiration_year,routing_number,"
     "account_number,country,issuing_bank\n"
     "payment_card,Visa,Dave Doe,4111111111111111,123,13,2029,,,US,\n"
     "bank,,Dave Doe,,,,,021000021,12345678,US,First Bank\n",
     {},
     "Read as Dashlane CSV: 2 entries.\nImported 2 entries and 0 new categories.\n",
     "",
     {{"", "Visa", "4111111111111111", "123",
       "type: payment_card\naccount_holder: Dave Doe\ncountry: US\nexpiration_month/expiration_year: 13/29",
       ""},
      {"", "", "12345678", "",
       "type: bank\naccount_holder: Dave Doe\nrouting_number: 021000021\ncountry: US\nissuing_bank: First "
       "Bank",
       ""}}},
    {"lastpass",
     nullptr,
     "url,username,password,totp,extra,name,grouping,fav\n"
     "https://bank.example/login,carol,pw3,,joint account,Bank,Money\\Banks,1\n"
     "http://sn,,,,\"NoteType:Server\nHostname:db1\",DB server,Work,0\n",
     {},
     "Read as LastPass CSV: 2 entries.\nImported 2 entries and 2 new categories; 1 completed with a "
     "placeholder.\n",
     "keyloft-cli: line 3: no user code; stored as \"(no user code)\"\n",
     {{"Money/Banks", "Bank", "carol", "pw3", "joint account\nfav: 1", "https://bank.example/login"},
      {"Work", "DB server", "(no user code)", "", "NoteType:Server\nHostname:db1", ""}}},
    {"1password-1pux",
     nullptr,
     "",
     {{"export.attributes",
       R"({"version": 3, "description": "1Password Unencrypted Export", "createdAt": 1700000000})"},
      {"export.data",
       R"({"accounts": [{"attrs": {"accountName": "Frank", "name": "Frank", "uuid": "A1"}, "vaults": [{
          "attrs": {"uuid": "V1", "desc": "", "avatar": "", "name": "Private", "type": "P"}, "items": [
          {"uuid": "I1", "favIndex": 1, "createdAt": 1700000000, "updatedAt": 1700000001, "state": "active",
           "categoryUuid": "001",
           "details": {"loginFields": [
                         {"value": "frank", "id": "", "name": "username", "fieldType": "T", "designation": "username"},
                         {"value": "pw6", "id": "", "name": "password", "fieldType": "P", "designation": "password"}],
                       "notesPlain": "main login",
                       "sections": [{"title": "Security", "name": "sec", "fields": [
                         {"title": "recovery code", "id": "rc", "value": {"concealed": "R-1"}},
                         {"title": "one-time password", "id": "otp", "value": {"totp": "otpauth://totp/X"}}]}],
                       "passwordHistory": [{"value": "old", "time": 1690000000}]},
           "overview": {"subtitle": "frank", "urls": [{"label": "", "url": "https://example.com"},
                                                      {"label": "alt", "url": "https://alt.example.com"}],
                        "title": "Example", "url": "https://example.com", "ps": 60, "pbe": 40.5, "pgrng": false,
                        "tags": ["web", "main"]}},
          {"uuid": "I2", "favIndex": 0, "createdAt": 1, "updatedAt": 2, "state": "archived", "categoryUuid": "002",
           "details": {"loginFields": [], "notesPlain": "", "sections": [{"title": "", "name": "", "fields": [
                         {"title": "cardholder name", "id": "cardholder", "value": {"string": "Frank Doe"}},
                         {"title": "number", "id": "ccnum", "value": {"creditCardNumber": "5555444433331111"}},
                         {"title": "verification number", "id": "cvv", "value": {"concealed": "321"}},
                         {"title": "expiry date", "id": "expiry", "value": {"monthYear": 202712}},
                         {"title": "valid from", "id": "validFrom", "value": {"monthYear": 202212}}]}]},
           "overview": {"subtitle": "5555", "title": "Mastercard", "url": "", "tags": []}}]}]}]})"}},
     "Read as 1Password 1PUX: 2 entries.\nImported 2 entries and 1 new category.\n",
     "keyloft-cli: ignored keys: categoryUuid, createdAt, passwordHistory, overview.pbe, overview.ps, "
     "overview.subtitle, updatedAt, uuid\n",
     {{"Private", "Example", "frank", "pw6",
       "main login\nrecovery code: R-1\none-time password: otpauth://totp/X\nfavorite: yes\ntags: web, main\n"
       "url: https://alt.example.com",
       "https://example.com"},
      {"Private", "Mastercard", "5555444433331111", "321",
       "cardholder name: Frank Doe\nvalid from: 12/22\nstate: archived", "", "", "12/27"}}},
    // As KeePass writes it: the root group's own name is no category; every group below it is one,
    // the recycle bin only when it holds entries; custom strings, tags and attachments' names go to
    // the notes, the protected password is read; the entry's history is left out and named.
    {"keepass-xml",
     nullptr,
     "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<KeePassFile>\n"
     "<Meta><Generator>KeePass</Generator><RecycleBinUUID>AAAAAAAAAAAAAAAAAAAABQ==</RecycleBinUUID></Meta>\n"
     "<Root><Group><UUID>AAAAAAAAAAAAAAAAAAAAAQ==</UUID><Name>Database</Name>\n"
     " <Entry><UUID>AAAAAAAAAAAAAAAAAAAAEQ==</UUID><Tags>bank;money</Tags>\n"
     "  <Times><ExpiryTime>2027-03-15T12:00:00Z</ExpiryTime><Expires>True</Expires></Times>\n"
     "  <String><Key>Title</Key><Value>Bank</Value></String>\n"
     "  <String><Key>UserName</Key><Value>gina</Value></String>\n"
     "  <String><Key>Password</Key><Value ProtectInMemory=\"True\">p&lt;w&amp;7</Value></String>\n"
     "  <String><Key>URL</Key><Value>https://bank.example</Value></String>\n"
     "  <String><Key>Notes</Key><Value>joint</Value></String>\n"
     "  <String><Key>PIN</Key><Value ProtectInMemory=\"True\">2468</Value></String>\n"
     "  <Binary><Key>statement.pdf</Key><Value Ref=\"0\"/></Binary>\n"
     "  <History><Entry><UUID>AAAAAAAAAAAAAAAAAAAAEQ==</UUID>"
     "<String><Key>Password</Key><Value>old</Value></String></Entry></History>\n"
     " </Entry>\n"
     " <Group><UUID>AAAAAAAAAAAAAAAAAAAAAg==</UUID><Name>Work</Name>\n"
     "  <Group><UUID>AAAAAAAAAAAAAAAAAAAAAw==</UUID><Name>Email</Name>\n"
     "   <Entry><UUID>AAAAAAAAAAAAAAAAAAAAEg==</UUID>"
     "<Times><ExpiryTime>2020-01-01T00:00:00Z</ExpiryTime><Expires>False</Expires></Times>\n"
     "    <String><Key>Title</Key><Value>Webmail</Value></String>\n"
     "    <String><Key>UserName</Key><Value>gina@work.example</Value></String>\n"
     "    <String><Key>Password</Key><Value ProtectInMemory=\"True\">pw8</Value></String>\n"
     "    <String><Key>Email</Key><Value>gina@work.example</Value></String>\n"
     "    <String><Key>otp</Key><Value>otpauth://totp/W</Value></String>\n"
     "   </Entry></Group></Group>\n"
     " <Group><UUID>AAAAAAAAAAAAAAAAAAAABA==</UUID><Name>Archive</Name></Group>\n"
     " <Group><UUID>AAAAAAAAAAAAAAAAAAAABQ==</UUID><Name>Recycle Bin</Name></Group>\n"
     "</Group><DeletedObjects/></Root></KeePassFile>\n",
     {},
     "Read as KeePass 2 XML: 2 entries.\nImported 2 entries and 3 new categories.\n",
     "keyloft-cli: ignored keys: History\n",
     {{"", "Bank", "gina", "p<w&7",
       "joint\nTags: bank;money\nPIN: 2468\nAttachment: statement.pdf (not imported)", "https://bank.example",
       "", "2027-03-15"},
      {"Work/Email", "Webmail", "gina@work.example", "pw8", "otp: otpauth://totp/W", "",
       "gina@work.example"}},
     "Work/Email\nWork\nArchive\n"},
    // A CSV of no known program: the columns it names as usual land in their fields, every other
    // one in the notes; a row with data only there is imported too, a row of empty cells is not.
    {"other-csv",
     nullptr,
     "Title,Login,Password,Website,Colour,Account Number,Expires\n"
     "Forum,hank,pw9,https://forum.example,blue,,2027-02-30\n"
     ",,,,,99-1234,\n"
     ",,,,,,\n",
     {},
     "Read as CSV of no known program (columns matched by their names): 2 entries.\n"
     "Imported 2 entries and 0 new categories; 1 completed with a placeholder.\n",
     "keyloft-cli: line 3: no user code; stored as \"(no user code)\"\n",
     {{"", "Forum", "hank", "pw9", "Colour: blue\nExpires: 2027-02-30", "https://forum.example"},
      {"", "", "(no user code)", "", "Account Number: 99-1234", ""}}},
    {"keyloft-csv",
     "csv",
     "row,category,description,userCode,password,notes,expiryDate,webSite,email\r\n"
     "1,Bank,Card,4111,pw7,,12/27,, g@example \r\n",
     {},
     "Read as Keyloft CSV: 1 entry.\nImported 1 entry and 1 new category.\n",
     "",
     {{"Bank", "Card", "4111", "pw7", "", "", " g@example ", "12/27"}}},
    {"keyloft-json",
     nullptr,
     R"([{"row": 1, "category": "", "description": "Laptop", "userCode": "gina", "password": "pw8", "notes": "",
          "expiryDate": "2027-01-31", "webSite": "", "email": "", "colour": "red", "tags": ["a"]}])",
     {},
     "Read as Keyloft JSON: 1 entry.\nImported 1 entry and 0 new categories.\n",
     "keyloft-cli: ignored keys: tags\n",
     {{"", "Laptop", "gina", "pw8", "colour: red", "", "", "2027-01-31"}}},
};

class CliImportFormats : public CliImporting {};

TEST_F(CliImportFormats, EveryFormatLandsEveryFieldAndImportingTwiceChangesNothing) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        const std::string profile = std::string("P-") + sample.name;
        create(profile);
        const std::filesystem::path file = temp_.path() / (std::string(sample.name) + ".export");
        if (sample.zip.empty()) {
            WriteBytes(file, sample.file);
        } else {
            WriteZip(file, sample.zip);
        }

        RunResult r = import(profile, sample.format, file, {"--skip-invalid"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, sample.out);
        EXPECT_EQ(r.err, sample.err);
        const nlohmann::json expected = EntriesJson(sample.entries);
        EXPECT_EQ(exportJson(profile), expected);
        if (!sample.categories.empty()) {
            EXPECT_EQ(categories(profile), sample.categories);
        }

        // Every row read is counted again: refused as before, or as a duplicate now.
        const std::string readAs = sample.out.substr(0, sample.out.find('\n') + 1);
        const std::size_t read = std::stoul(readAs.substr(readAs.find(": ") + 2));
        const std::size_t refusedAt = sample.out.find(" refused.");
        const std::size_t refused =
            refusedAt == std::string::npos
                ? 0
                : std::stoul(sample.out.substr(sample.out.rfind("; ", refusedAt) + 2));
        r = import(profile, sample.format, file, {"--skip-invalid"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, readAs + "Imported 0 entries and 0 new categories; " +
                             std::to_string(read - refused) + " skipped as duplicates" +
                             (refused > 0 ? "; " + std::to_string(refused) + " refused" : std::string()) +
                             ".\n");
        EXPECT_EQ(exportJson(profile), expected);
    }
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
    r = import("Copy", "keepassxc", file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Read as KeePassXC CSV: 2 entries.\nImported 2 entries and 1 new category.\n");
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
    "if grep -q HUGE \"$f\"; then exec head -c 70000000 /dev/zero; fi\n"
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
    RunResult r = import("Home", "pass", store);
    const RunResult again = import("Home", nullptr, store);  // a folder: recognised as a store
    ::setenv("PATH", temp_.path().c_str(), 1);               // no pass at all
    const RunResult noPass = import("Home", "pass", store);
    ::setenv("PATH", savedPath.c_str(), 1);

    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "Read as password store (pass): 3 entries.\n"
              "Imported 3 entries and 1 new category; 1 completed with a placeholder.\n");
    EXPECT_EQ(r.err, "keyloft-cli: -c: no user code; stored as \"(no user code)\"\n");
    EXPECT_EQ(exportJson("Home"), EntriesJson({{"", "-c", "(no user code)", "1234", "", ""},
                                               {"Work/Email", "alice", "alice", "pw1",
                                                "security question: blue", "https://mail.example"},
                                               {"", "wifi", "guest", "door42", "second line", ""}}));
    EXPECT_EQ(again.out,
              "Read as password store (pass): 3 entries.\n"
              "Imported 0 entries and 0 new categories; 3 skipped as duplicates.\n")
        << again.err;
    EXPECT_EQ(noPass.exitCode, 1);
    EXPECT_EQ(noPass.err,
              "keyloft-cli: cannot import \"" + Utf8(store) +
                  "\": the pass program was not found; install pass (with gpg and the store's key) "
                  "and try again\n");

    WriteBytes(store / "locked.gpg", "NOKEY\n");
    ::setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1);
    const RunResult noKey = import("Home", "pass", store);
    ::setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(noKey.exitCode, 1);
    EXPECT_EQ(noKey.err,
              "keyloft-cli: cannot import \"" + Utf8(store) +
                  "\": pass cannot show \"locked\": the key that decrypts the password store is missing "
                  "(gpg: decryption failed: No secret key)\n");

    // An entry that decrypts to more than an import holds (a small file can: gpg compresses).
    std::filesystem::remove(store / "locked.gpg");
    WriteBytes(store / "huge.gpg", "HUGE\n");
    ::setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1);
    const RunResult huge = import("Home", "pass", store);
    ::setenv("PATH", savedPath.c_str(), 1);
    EXPECT_EQ(huge.exitCode, 1);
    EXPECT_EQ(huge.err,
              "keyloft-cli: cannot import \"" + Utf8(store) +
                  "\": its entries hold more than 64 MiB; import it in parts of that size or less\n");
}
#endif

}  // namespace
}  // namespace keyloft::cli::testing
