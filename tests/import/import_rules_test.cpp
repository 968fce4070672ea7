// The rules of the import readers that a wrong line would break unnoticed: which header row makes a
// file whose, a web site's host name, when a row gets the placeholder user code or is no row at
// all, and the KeePass 2 XML that export writes read back to the same entries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/import_file.h"
#include "import/import_formats.h"
#include "import/json_shape.h"
#include "import/keepass_xml_writer.h"
#include "store/expiry_date.h"
#include "store/utf8_text.h"

namespace keyloft::testing {
namespace {

TEST(ImportRules, TheHeaderRowTellsTheFormat) {
    const struct {
        const char* header;
        ImportFormat format;
    } cases[] = {
        {"Group,Title,Username,Password,URL,Notes", ImportFormat::KeePassXC},
        {"\"group\",\"TITLE\"", ImportFormat::KeePassXC},            // quoted, any case: still KeePassXC's
        {"Title,Username,Password", ImportFormat::OtherCsv},         // a title without a group is not
        {"Group,Name,Username", ImportFormat::OtherCsv},             // nor a group without a title
        {"Group,Title,Login_Username", ImportFormat::BitwardenCsv},  // Bitwarden's columns come first
        {"name,url,username,password,note", ImportFormat::Chrome},
        {"name,url,username,password,title", ImportFormat::OtherCsv},
        {"url,username,password,httpRealm", ImportFormat::Firefox},
        {"Title,Url,Username,Password,OTPAuth", ImportFormat::OnePassword},
        {"Title,URL,Username,Password,Notes,OTPAuth", ImportFormat::OnePassword},  // Safari writes this
        {"type,name,url,email,username,password,note,totp,createTime,modifyTime,vault",
         ImportFormat::ProtonPassCsv},
        {"name,url,email,username,password", ImportFormat::Chrome},  // no vault: not Proton Pass
        {"url,username,password,totp,extra,name,grouping,fav", ImportFormat::LastPass},
        {"username,username2,username3,title,password,note,url,category,otpSecret", ImportFormat::Dashlane},
        {"type,account_name,cc_number,code", ImportFormat::Dashlane},
        {"type,number,name,issue_date,expiration_date", ImportFormat::Dashlane},
        {"row,category,description,userCode,password,notes,expiryDate,webSite,email",
         ImportFormat::KeyloftCsv},
        {"userCode,password", ImportFormat::KeyloftCsv},
        {"userCode,password,colour", ImportFormat::OtherCsv},  // Keyloft's own header has only its columns
        {"description,password", ImportFormat::OtherCsv},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecogniseFormat(ImportFormat::Auto, std::string(c.header) + "\n"), c.format) << c.header;
    }
}

TEST(ImportRules, HostNameLeavesOutSchemeUserPortPathQueryAndFragment) {
    const struct {
        const char16_t* url;
        const char16_t* host;
    } cases[] = {
        {u"https://user@mail.example.com:8443/inbox", u"mail.example.com"},
        {u"https://example.com?next=/a", u"example.com"},
        {u"https://example.com#top", u"example.com"},
        {u"example.com?x=1#y", u"example.com"},
        {u" http://[2001:db8::1]:8080/x ", u"[2001:db8::1]"},
        {u"intranet", u"intranet"},
        {u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(HostName(c.url), c.host) << Utf16ToUtf8(c.url);
}

// A row without a user code gets the placeholder and is marked; one with nothing but the other
// program's bookkeeping is refused (so it is counted); one of empty cells is no row.
TEST(ImportRules, PlaceholderForABlankUserCodeAndRowsOfNothing) {
    const struct {
        const char* csv;
        std::size_t rows;
        const char16_t* userCode;
        bool filledIn;
        bool fault;
    } cases[] = {
        {"https://a.example,,pw,{g},1\n", 1, kMissingUserCode, true, false},
        {"https://a.example,   ,pw,{g},1\n", 1, kMissingUserCode, true, false},
        {"https://a.example,bo b,pw,{g},1\n", 1, u"bo b", false, false},
        {",,,{g},1\n", 1, kMissingUserCode, true, true},
        {",,,,\n", 0, u"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csv);
        const ImportFile file = ReadImportBytes(
            std::string("url,username,password,guid,timePasswordChanged\n") + c.csv, ImportFormat::Auto);
        ASSERT_FALSE(file.error) << *file.error;
        ASSERT_EQ(file.rows.size(), c.rows);
        if (c.rows == 0) continue;
        EXPECT_EQ(file.rows[0].fields.userCode, c.userCode);
        EXPECT_EQ(file.rows[0].userCodeFilledIn, c.filledIn);
        EXPECT_EQ(file.rows[0].fault.has_value(), c.fault);
    }
}

// An item of a JSON export holding more values than an entry can is refused, and the values past
// the limit are not held; one just within it is read.
TEST(ImportRules, AJsonItemPastTheValueLimitIsRefused) {
    for (const std::size_t values : {99990u, 100001u}) {
        std::string numbers = "0";
        for (std::size_t i = 1; i < values; ++i) numbers += ",0";
        const std::string item = R"({"name": "x", "login": {"username": "u"}, "other": [)" + numbers + "]}";
        for (const std::string& text :
             {R"({"items": [)" + item + "]}",
              R"({"vaults": {"s": {"name": "V", "items": [{"data": {"content": {"numbers": [)" + numbers +
                  "]}}}]}}}"}) {
            const ImportFile file = ReadImportBytes(text, ImportFormat::Auto);
            ASSERT_FALSE(file.error) << *file.error;
            ASSERT_EQ(file.rows.size(), 1u);
            EXPECT_EQ(file.rows[0].fault.has_value(), values > 100000) << values;
        }
    }
}

// An encrypted export starts as a PGP message; a PGP block in an entry's notes is an entry's text.
TEST(ImportRules, OnlyAFileThatStartsAsAPgpMessageIsAnEncryptedExport) {
    const std::string block = "-----BEGIN PGP MESSAGE-----\n\nhQEMA\n-----END PGP MESSAGE-----\n";
    const ImportFile notes =
        ReadImportBytes("title,login,notes\nKey,me,\"" + block + "\"\n", ImportFormat::Auto);
    ASSERT_FALSE(notes.error) << *notes.error;
    ASSERT_EQ(notes.rows.size(), 1u);
    EXPECT_EQ(Utf16ToUtf8(notes.rows[0].fields.notes), block);
    EXPECT_TRUE(ReadImportBytes("\r\n" + block, ImportFormat::Auto).error);
}

TEST(ImportRules, JsonShapeStopsAtTheNestingLimit) {
    const auto nested = [](std::size_t levels) {
        return std::string(levels, '[') + std::string(levels, ']');
    };
    EXPECT_EQ(ReadJsonShape(nested(100)).outcome, JsonShape::Outcome::Read);
    EXPECT_EQ(ReadJsonShape(nested(101)).outcome, JsonShape::Outcome::TooDeep);
    EXPECT_EQ(ReadJsonShape(nested(1000000)).outcome, JsonShape::Outcome::TooDeep);
    EXPECT_EQ(ReadJsonShape("{\"a\": [1, 2], \"b\": {\"c\": 3}}").keys, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ReadJsonShape("[1, 2").outcome, JsonShape::Outcome::NotJson);
}

// What export writes, read back: every field as it was, a carriage return included, categories as
// groups (empty ones too), the expiry as a date; what XML cannot hold is named, not written.
TEST(ImportRules, KeePassXmlWrittenReadsBackTheSame) {
    Profile profile;
    for (const char16_t* name : {u"Work", u"Work/Email", u"Empty", u"A//B"}) profile.categories.add(name);
    profile.entries = {
        {u"Work/Email", u"Caf\u00e9 <\"main\"> & co", u" alice ", u"p&w<1>", u"line one\r\nline two\n",
         u"2027-01-31", u"https://x.example/?a=1&b=2", u" a@b.example "},
        {u"", u"Card", u"4111", u"123", u"", u"12/27", u"", u""},
        {u"A//B", u"Odd", u"u", u"p", u"", u"", u"", u""},
        {u"Work", u"Bell\u0007", u"u\U0001F600", u"p", u"", u"", u"", u""},
        {u"/Lead", u"Slash", u"u", u"p", u"", u"", u"", u""},  // a group without a name first
    };
    const ExpiryDateReader dates(DateOrder::DayFirst);
    const KeePassXmlExport xml = WriteKeePassXml(profile, dates);
    EXPECT_EQ(xml.warnings,
              std::vector<std::string>{
                  "entry 4: the Title holds characters XML cannot hold; they are written as U+FFFD"});

    const ImportFile file = ReadImportBytes(xml.text, ImportFormat::Auto);
    ASSERT_FALSE(file.error) << *file.error;
    EXPECT_EQ(file.format, ImportFormat::KeePassXml);
    std::vector<Entry> read;
    for (const ImportRow& row : file.rows) read.push_back(row.fields);
    profile.entries[1].expiryDate = u"2027-12-01";  // the card form is a day in KeePass
    profile.entries[3].description = u"Bell\uFFFD";
    // Groups in the order of the categories; in each, its entries first.
    EXPECT_EQ(read, (std::vector<Entry>{profile.entries[1], profile.entries[3], profile.entries[0],
                                        profile.entries[2], profile.entries[4]}));
    EXPECT_EQ(file.emptyGroups, (std::vector<std::u16string>{u"Empty", u"A"}));

    // A category of more parts than the groups nest (64) keeps the rest in its last group's name.
    std::u16string deep = u"p";
    for (int part = 1; part < 100; ++part) deep += u"/p";
    Profile nested;
    nested.entries = {{deep, u"Deep", u"u", u"p", u"", u"", u"", u""}};
    const ImportFile back = ReadImportBytes(WriteKeePassXml(nested, dates).text, ImportFormat::Auto);
    ASSERT_FALSE(back.error) << *back.error;
    ASSERT_EQ(back.rows.size(), 1u);
    EXPECT_EQ(back.rows[0].fields, nested.entries[0]);
}

}  // namespace
}  // namespace keyloft::testing
