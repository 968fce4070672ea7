// Writes the seed inputs of every fuzz target into <folder>/<target>/, made with the project's own
// code: profiles by the profile encoder, GIFs by the tests' GIF builder, settings files and dates
// as the programs write and accept them. scripts/make_fuzz_corpus.sh runs it.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/gif_builder.h"
#include "support/zip_writer.h"
#include "platform/settings_file.h"
#include "store/profile.h"
#include "store/profile_codec.h"
#include "store/sealed_profile.h"
#include "store/text_convert.h"

namespace {

using namespace keyloft;
namespace fs = std::filesystem;

fs::path gOut;

void Write(std::string_view target, std::string_view name, std::string_view bytes) {
    const fs::path folder = gOut / target;
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
        std::exit(1);
    }
}

std::string Bytes(const std::vector<std::uint8_t>& data) { return std::string(data.begin(), data.end()); }

Entry MakeEntry(std::u16string_view category, std::u16string_view description, std::u16string_view user,
                std::u16string_view password, std::u16string_view expiry) {
    return Entry{std::u16string(category),
                 std::u16string(description),
                 std::u16string(user),
                 std::u16string(password),
                 u"",
                 std::u16string(expiry),
                 u"https://example.org",
                 u""};
}

Profile SmallProfile() {
    Profile p;
    p.logonMode = kUserIdAndPassword;
    p.userId = u"alice";
    p.password = u"opensesame";
    p.pin = u"1234";
    p.version = 7;
    p.answerMode = kOneAnswer;
    p.categories.add(u"Bank");
    p.categories.add(u"Mail");
    p.entries.push_back(MakeEntry(u"Bank", u"Current account", u"alice", u"s3cret!", u"12/27"));
    p.entries.push_back(
        MakeEntry(u"Mail", u"Caf\u00e9 \u20ac mail", u"al\u00efce", u"p\u00e4ss\u2022", u"2027-03-31"));
    p.questions.push_back(SecurityQuestion{u"First pet?", u"Rex"});
    return p;
}

std::string Encoded(const Profile& profile, std::int32_t version, double seconds, bool creating) {
    const EncodedProfile encoded = EncodeProfile(profile, version, KeyTimeText(seconds), creating);
    if (!encoded.ok) {
        std::fprintf(stderr, "a seed profile did not encode\n");
        std::exit(1);
    }
    return JoinFileLines(encoded.lines);
}

void ProfileFiles() {
    Profile created;
    created.logonMode = kPasswordOnly;
    created.userId = created.password = created.pin = u"opensesame";
    created.answerMode = kOneAnswer;
    created.questions.push_back(SecurityQuestion{u"What is the password?", u"opensesame"});
    Write("fuzz_profile_file", "created", Encoded(created, 1, 3600.5, true));

    const std::string small = Encoded(SmallProfile(), 8, 45296.75, false);
    Write("fuzz_profile_file", "small", small);
    std::string lineFeeds;
    for (const std::string& line : SplitFileLines(small)) lineFeeds += line + "\n";
    Write("fuzz_profile_file", "small-lf", lineFeeds);
    std::vector<std::string> lines = SplitFileLines(small);
    lines.pop_back();
    Write("fuzz_profile_file", "small-no-trailer", JoinFileLines(lines));
}

// Record texts, one per line, with "|#" where the target puts the record sum (or with the sum
// itself); "7" asks for the trailer.
void ProfileRecords() {
    auto records = [](const std::vector<std::u16string>& texts, bool trailer, bool sums = false) {
        std::string out;
        for (const std::u16string& text : texts) {
            out += sums ? Utf16ToUtf8(AppendRecordSum(text)) + "\n" : Utf16ToUtf8(text) + "|#\n";
        }
        if (trailer) out += "7";
        return out;
    };
    const Profile p = SmallProfile();
    std::vector<std::u16string> texts = {u"1|2", u"8|8", u"2|alice|opensesame|1234"};
    for (const Category& category : p.categories) texts.push_back(CategoryRecord(category));
    for (const Entry& entry : p.entries) texts.push_back(EntryRecord(entry));
    for (const SecurityQuestion& question : p.questions) texts.push_back(QuestionRecord(question));
    texts.push_back(u"6|1");
    Write("fuzz_profile_records", "small", records(texts, true));
    Write("fuzz_profile_records", "small-with-sums", records(texts, true, true));
    Write("fuzz_profile_records", "small-without-trailer", records(texts, false));
    Write("fuzz_profile_records", "created",
          records({u"1|1", u"8|1", u"2|opensesame|opensesame|opensesame",
                   u"5|What is the password?|opensesame", u"6|1"},
                  true));
}

// First byte "0": a sealed file, made with the least key-derivation limits and the logon and
// answers the target tries. "1": the plain text of a body, as the sealed writer makes it.
void SealedFiles() {
    Profile p = SmallProfile();
    p.logonMode = kUserIdPasswordAndPin;
    p.password = u"tundra velvet 93 quill";
    std::unique_ptr<sealed::Keys> keys;
    // Every combination of answers gets a slot, whatever the rule says of them: the target tries them all.
    const auto everyAnswerSlot = [&p] {
        return sealed::AnswerCombinations(p.answerMode, p.questions.size());
    };
    const std::vector<std::string> lines =
        sealed::SealProfile(p, 9, keys, sealed::Limits{1, 8192}, everyAnswerSlot());
    if (lines.empty()) {
        std::fprintf(stderr, "a seed profile did not seal\n");
        std::exit(1);
    }
    Write("fuzz_sealed_file", "sealed", "0" + JoinFileLines(lines));
    p.answerMode = kAllAnswers;
    p.questions = {SecurityQuestion{u"First pet?", u"Rex"}, SecurityQuestion{u"Town?", u"Bern"},
                   SecurityQuestion{u"Capital?", u"Oslo"}};
    keys.reset();
    Write("fuzz_sealed_file", "sealed-all-answers",
          "0" + JoinFileLines(sealed::SealProfile(p, 10, keys, {1, 8192}, everyAnswerSlot())));

    const auto record = [](std::string& out, std::u16string_view text) {
        const auto units = static_cast<std::uint32_t>(text.size());
        for (int i = 0; i < 4; ++i) out += static_cast<char>((units >> (8 * i)) & 0xFF);
        for (const char16_t c : text) {
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>(c >> 8);
        }
    };
    const Profile small = SmallProfile();
    std::string body = "1";
    record(body, u"2|alice||");
    for (const Category& category : small.categories) record(body, CategoryRecord(category));
    for (const Entry& entry : small.entries) record(body, EntryRecord(entry));
    for (const SecurityQuestion& question : small.questions) record(body, QuestionRecord(question));
    Write("fuzz_sealed_file", "body", body);
    body[0] = '3';  // the earlier format, whose logon record holds the password and the PIN
    Write("fuzz_sealed_file", "body-earlier-format", body);
}

void Gifs() {
    using testing::Rgb;
    using testing::SolidFrame;
    using testing::TestGif;
    const std::vector<Rgb> four = {{{255, 0, 0}}, {{0, 255, 0}}, {{0, 0, 255}}, {{255, 255, 255}}};

    TestGif two;
    two.width = 6;
    two.height = 4;
    two.globalTable = four;
    two.backgroundIndex = 3;
    two.comment = true;
    auto second = SolidFrame(2, 1, 3, 2, 1);
    second.delay = 600;
    second.disposal = 3;
    second.localTable = {{{10, 20, 30}}, {{40, 50, 60}}};
    two.frames = {SolidFrame(0, 0, 6, 4, 0), second};
    Write("fuzz_gif", "two-frames", Bytes(testing::BuildGif(two)));

    TestGif transparent;
    transparent.width = 4;
    transparent.height = 4;
    transparent.globalTable = {{{9, 9, 9}}, {{9, 9, 9}}, {{200, 100, 50}}, {{0, 0, 0}}};
    transparent.netscapeLoop = false;
    auto clear = SolidFrame(1, 1, 2, 2, 0);
    clear.transparent = true;
    clear.transparentIndex = 0;
    clear.disposal = 2;
    transparent.frames = {SolidFrame(0, 0, 4, 4, 2), clear};
    Write("fuzz_gif", "transparent", Bytes(testing::BuildGif(transparent)));

    TestGif local;
    local.width = 3;
    local.height = 2;
    auto only = SolidFrame(0, 0, 3, 2, 1);
    only.control = false;
    only.localTable = {{{1, 2, 3}}, {{4, 5, 6}}, {{1, 2, 3}}, {{7, 8, 9}}};
    local.frames = {only};
    Write("fuzz_gif", "local-table-only", Bytes(testing::BuildGif(local)));
}

void SettingsFiles() {
    // First line: the setting the target writes; the rest: the file.
    std::vector<std::string> file;
    (void)platform::SetSettingValue(file, u"Database", u"/srv/keyloft");
    (void)platform::SetSettingValue(file, u"Timer", u"15");
    const std::string written = platform::JoinSettingsLines(file);
    Write("fuzz_settings_file", "timer", "Timer=0\n" + written);
    Write("fuzz_settings_file", "database", "Database=/home/me/d\xc3\xa9p\xc3\xb4t, keyloft=2\n" + written);
    Write("fuzz_settings_file", "unknown-lines",
          "timer=30\n; a comment\r\n[General]\r\nOther=1\r\nTimer=\r\nWindow=3");
    Write("fuzz_settings_file", "empty", "Database=/tmp\n");
}

void Dates() {
    const char* typed[] = {"12/27", "2026-12-31", "31/12/2026", "1/2/29",    "  02/30  ", "29/2/2024",
                           "",      "13/27",      "2026-2-3",   "30/2/2025", "1/1/0001"};
    int n = 0;
    for (const char* text : typed) Write("fuzz_expiry_date", "typed-" + std::to_string(++n), text);
    std::string units;
    for (char16_t c : std::u16string_view(u"09/26")) {
        units += static_cast<char>(c & 0xFF);
        units += static_cast<char>(c >> 8);
    }
    Write("fuzz_expiry_date", "stored-utf16", units);
}

void ImportFiles() {
    // First byte: "0" CSV, "1" JSON, "2" any file, "3" an entry exported as KeePass XML.
    Write("fuzz_import", "own-csv",
          "0row,category,description,userCode,password,notes,expiryDate,webSite,email\r\n"
          "1,Bank,Giro,me,\"p,w\"\"x\",\"two\nlines\",12/27,https://bank.example,\r\n");
    Write("fuzz_import", "other-csv",
          "0\xEF\xBB\xBFGroup,Title,Username,Password,URL,Notes,Extra\nRoot/Bank/Cards,Card,me,pw,,n,x\r");
    Write(
        "fuzz_import", "own-json",
        "1[{\"row\":1,\"category\":\"Bank\",\"description\":\"Caf\u00e9\",\"userCode\":\"me\","
        "\"password\":\"pw\",\"notes\":\"\",\"expiryDate\":\"2027-01-31\",\"webSite\":\"\",\"email\":\"\"}]");
    Write("fuzz_import", "proton-csv",
          "0type,name,url,email,username,password,note,totp,createTime,modifyTime,vault\n"
          "login,Mail,\"https://a.example, https://b.example\",a@b.example,,pw,n,,1,2,Work\n");
    Write("fuzz_import", "dashlane-payments",
          "0type,account_name,account_holder,cc_number,code,expiration_month,expiration_year\n"
          "payment_card,Visa,Me,4111,123,3,2029\n");
    Write(
        "fuzz_import", "bitwarden-json",
        "1{\"encrypted\":false,\"folders\":[{\"id\":\"f\",\"name\":\"Bank\"}],\"items\":[{\"folderId\":\"f\","
        "\"name\":\"Card\",\"card\":{\"number\":\"4111\",\"expMonth\":\"3\",\"expYear\":\"2029\"}}]}");
    Write("fuzz_import", "protonpass-json",
          "1{\"vaults\":{\"s\":{\"name\":\"Home\",\"items\":[{\"data\":{\"type\":\"login\",\"metadata\":{"
          "\"name\":\"M\"},"
          "\"content\":{\"itemEmail\":\"a@b\",\"password\":\"p\",\"urls\":[\"https://a\"]}}}]}}}");
    Write(
        "fuzz_import", "1pux-json",
        "1{\"accounts\":[{\"vaults\":[{\"attrs\":{\"name\":\"V\"},\"items\":[{\"overview\":{\"title\":\"T\"},"
        "\"details\":{\"loginFields\":[{\"value\":\"u\",\"designation\":\"username\"}],\"sections\":[{"
        "\"fields\":"
        "[{\"id\":\"expiry\",\"value\":{\"monthYear\":202712}}]}]}}]}]}]}");
    Write("fuzz_import", "keepass-xml",
          "2<?xml version=\"1.0\"?><KeePassFile><Meta/><Root><Group><Name>R</Name><Entry><Tags>a</Tags>"
          "<Times><ExpiryTime>2027-03-15T12:00:00Z</ExpiryTime><Expires>True</Expires></Times>"
          "<String><Key>Title</Key><Value>T</Value></String><String><Key>Password</Key>"
          "<Value ProtectInMemory=\"True\">p&amp;</Value></String></Entry><Group><Name>G</Name></Group>"
          "</Group></Root></KeePassFile>");
    Write("fuzz_import", "keepass-entry",
          "3Work/Email|Caf\xC3\xA9 <&>|me|p\"w|one\r\ntwo|https://x?a=1&b|a@b");
    const fs::path zip = gOut / "fuzz_import-seed.zip";
    keyloft::testing::WriteZip(zip, {{"credentials.csv", "username,username2,title,password\nme,me2,T,pw\n"},
                                     {"securenotes.csv", "title,note\nN,text\n"}});
    std::ifstream in(zip, std::ios::binary);
    Write("fuzz_import", "dashlane-zip", "2" + std::string(std::istreambuf_iterator<char>(in), {}));
    in.close();
    fs::remove(zip);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    gOut = argv[1];
    ProfileFiles();
    ProfileRecords();
    SealedFiles();
    Gifs();
    SettingsFiles();
    Dates();
    ImportFiles();
    return 0;
}
