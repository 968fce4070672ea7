#include <gtest/gtest.h>

#include <random>

#include "crypto/text_cipher.h"
#include "store/profile_codec.h"
#include "store/profile_verifier.h"
#include "store/text_convert.h"
#include "store_fixture.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft {
namespace {

using testing::BuildLines;
using testing::DecodedFile;
using testing::DecodeFileForTest;
using testing::EncryptUnderTestKey;

std::int64_t Sum(std::u16string_view text) {
    std::int64_t sum = 0;
    for (char16_t c : text) {
        sum += c;  // test texts below are ASCII
    }
    return sum;
}

Profile SampleProfile() {
    Profile p;
    p.logonMode = kUserIdPasswordAndPin;
    p.userId = u"anna";
    p.password = u"Secret-7";
    p.pin = u"4711";
    p.version = 41;
    p.answerMode = kTwoAnswers;
    p.categories.add(u"Bank");
    p.categories.add(u"Mail");
    p.entries.push_back(
        EntryOf(u"4|Bank|Giro account|anna01|pw|notes here|31/12/2027|https://bank.example|a@b.example"));
    p.entries.push_back(EntryOf(u"4|Mail|Post|anna|x||||"));
    p.questions.push_back(QuestionOf(u"5|First pet?|Rex"));
    return p;
}

TEST(RecordSum, CountsWindows1252CodesAndQuestionMarkForTheRest) {
    EXPECT_EQ(RecordSum(u"6|1"), 227);
    EXPECT_EQ(AppendRecordSum(u"6|1"), u"6|1|227");
    EXPECT_EQ(RecordSum(u"\u00e9"), 0xE9);  // Latin-1 range keeps its code
    EXPECT_EQ(RecordSum(u"\u20ac"), 0x80);  // euro sign
    EXPECT_EQ(RecordSum(u"\u2122"), 0x99);  // trade mark sign
    EXPECT_EQ(RecordSum(u"\u0178"), 0x9F);  // Y with diaeresis
    EXPECT_EQ(RecordSum(u"\u0081"), 0x81);  // an undefined byte stands for itself
    EXPECT_EQ(RecordSum(u"\u0100"), 63);    // not in the code page
    EXPECT_EQ(RecordSum(u"\u0080"), 63);
    EXPECT_EQ(RecordSum(u"\U0001F600"), 126);  // each surrogate half counts 63
    EXPECT_EQ(RecordSum(u""), 0);
}

TEST(RecordSum, CheckCutsTheSumAndComparesIt) {
    std::u16string line = u"6|1|227";
    EXPECT_TRUE(RSumofAC(line, SplitFields(line), 2));
    EXPECT_EQ(line, u"6|1");

    line = u"6|1|228";
    EXPECT_FALSE(RSumofAC(line, SplitFields(line), 2));
    EXPECT_EQ(line, u"6|1");  // the count was right: the sum is cut anyway

    line = u"6|1|x|227";
    EXPECT_FALSE(RSumofAC(line, SplitFields(line), 2));
    EXPECT_EQ(line, u"6|1|x|227");  // wrong field count: the line keeps its sum

    line = u"6|1|abc";
    EXPECT_FALSE(RSumofAC(line, SplitFields(line), 2));
    line = u"6|1| 227.0";
    EXPECT_TRUE(RSumofAC(line, SplitFields(line), 2));
}

TEST(KeyScheme, TimeTextIsTheLastFourCharactersOfASingleNumber) {
    EXPECT_EQ(KeyTimeText(57438.273), u"8.27");  // "57438.27"
    EXPECT_EQ(KeyTimeText(3600.0), u"3600");
    EXPECT_EQ(KeyTimeText(61.0), u"61");
    EXPECT_EQ(KeyTimeText(0.5), u"0.5");
    EXPECT_EQ(KeyTimeText(12.25), u"2.25");
    EXPECT_EQ(KeyTimeText(86399.999), u"6400");  // 86399.999 rounds to 86400 in single precision
    EXPECT_EQ(MakeProfileKey(u"8.27"), crypto::TryEncryptText(u"8.27", u"8.27"));
    EXPECT_EQ(MakeProfileKey(u"8.27").size(), 64u);
}

TEST(KeyScheme, VersionWrapsBeforeTheTopOfTheRange) {
    EXPECT_EQ(NextVersion(0), 1);
    EXPECT_EQ(NextVersion(7), 8);
    EXPECT_EQ(NextVersion(2147483638), 2147483639);
    EXPECT_EQ(NextVersion(2147483639), 1);
    EXPECT_EQ(NextVersion(-5), -4);
}

TEST(Encode, WritesEveryLineAsTheFormatFixes) {
    const Profile p = SampleProfile();
    const EncodedProfile encoded = EncodeProfile(p, 42, u"8.27", false);
    ASSERT_TRUE(encoded.ok);
    const auto& lines = encoded.lines;
    ASSERT_EQ(lines.size(), 6u + 2 + 2 + 1);

    const std::string key = MakeProfileKey(u"8.27");
    // Key line: the key and its sum under line 2's cipher text.
    EXPECT_EQ(lines[0].size(), 320u);
    EXPECT_EQ(crypto::TryDecryptText(lines[0], WidenBytes(lines[1])).text, AppendRecordSum(WidenBytes(key)));
    EXPECT_EQ(lines[1], crypto::TryEncryptText(u"1|3|" + Int32Text(static_cast<std::int32_t>(Sum(u"1|3"))),
                                               WidenBytes(key)));

    const std::vector<std::u16string> expected = {u"1|3",
                                                  u"8|42",
                                                  u"2|anna|Secret-7|4711",
                                                  u"3|Bank",
                                                  u"3|Mail",
                                                  EntryRecord(p.entries[0]),
                                                  EntryRecord(p.entries[1]),
                                                  QuestionRecord(p.questions[0]),
                                                  u"6|2"};
    std::size_t total = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].size() % 64, 0u) << "line " << i + 1;
        EXPECT_EQ(lines[i].find_first_not_of("0123456789ABCDEF"), std::string::npos);
        total += lines[i].size();
        if (i == 0 || i + 1 == lines.size()) {
            continue;
        }
        const std::u16string plain = crypto::TryDecryptText(lines[i], WidenBytes(key)).text;
        const std::u16string& record = expected[i - 1];
        EXPECT_EQ(plain, record + u"|" + Int32Text(static_cast<std::int32_t>(Sum(record))))
            << "line " << i + 1;
    }
    // Trailer: line count and the true total length.
    const std::u16string trailer = crypto::TryDecryptText(lines.back(), WidenBytes(key)).text;
    EXPECT_EQ(trailer, u"7|11|" + Int32Text(static_cast<std::int32_t>(total)));
    // The rule: the kind-6 line's length stands in for the trailer's.
    EXPECT_EQ(total - lines.back().size() + lines[lines.size() - 2].size(), total);
}

TEST(Encode, CreatingLeavesOutCategoriesAndEntries) {
    const Profile p = SampleProfile();
    const DecodedFile file = DecodeFileForTest(JoinFileLines(EncodeProfile(p, 1, u"3600", true).lines));
    ASSERT_EQ(file.lines.size(), 7u);
    EXPECT_EQ(file.plain[0].substr(0, 4), u"1|3|");
    EXPECT_EQ(file.plain[1].substr(0, 4), u"8|1|");
    EXPECT_EQ(file.plain[3],
              u"5|First pet?|Rex|" + Int32Text(static_cast<std::int32_t>(Sum(u"5|First pet?|Rex"))));
    EXPECT_EQ(file.plain[5].substr(0, 4), u"7|7|");
}

TEST(Encode, EmptyProfileIsSixLines) {
    Profile p;
    const EncodedProfile encoded = EncodeProfile(p, 1, u"0.5", false);
    ASSERT_TRUE(encoded.ok);
    EXPECT_EQ(encoded.lines.size(), 6u);
    EXPECT_EQ(crypto::TryDecryptText(encoded.lines[5], WidenBytes(MakeProfileKey(u"0.5"))).text,
              u"7|6|" + Int32Text(320 + 4 * 64 + 64));
}

TEST(Encode, TwelveLineExampleHasTrailer7_12_1152) {
    Profile p;
    p.logonMode = 1;
    p.answerMode = 1;
    for (const char16_t* name : {u"a", u"b", u"c", u"d"}) {
        p.categories.add(name);
    }
    p.entries.push_back(EntryOf(u"4|a|Online bank|u||||"));  // 15 to 30 characters with the sum: 128
    p.entries.push_back(EntryOf(u"4|b|Mail account|u||||"));
    const EncodedProfile encoded = EncodeProfile(p, 1, u"8.27", false);
    ASSERT_EQ(encoded.lines.size(), 12u);
    std::size_t firstEleven = 0;
    for (std::size_t i = 0; i < 11; ++i) {
        firstEleven += encoded.lines[i].size();
    }
    ASSERT_EQ(firstEleven, 1088u);
    EXPECT_EQ(encoded.lines[10].size(), 64u);
    EXPECT_EQ(crypto::TryDecryptText(encoded.lines[11], WidenBytes(MakeProfileKey(u"8.27"))).text,
              u"7|12|1152");
}

TEST(Encode, TenThousandEntriesRoundTripWithTheRealTrailerLength) {
    Profile p = SampleProfile();
    for (int i = 0; i < 10000; ++i) {
        p.entries.push_back(EntryOf(u"4|Bank|Entry " + Int32Text(i) + u"|user" + Int32Text(i) +
                                    u"|p\u00e4ss\U0001F511" + Int32Text(i * 7) +
                                    u"|note||https://x.example/" + Int32Text(i) + u"|"));
    }
    const EncodedProfile encoded = EncodeProfile(p, 9, u"2.25", false);
    ASSERT_TRUE(encoded.ok);
    // More than 14 trailer characters: the trailer is 128 long and the total counts that.
    const std::u16string trailer =
        crypto::TryDecryptText(encoded.lines.back(), WidenBytes(MakeProfileKey(u"2.25"))).text;
    EXPECT_GT(trailer.size(), 14u);
    EXPECT_EQ(encoded.lines.back().size(), 128u);

    Profile loaded;
    loaded.logonMode = 99;
    ProfileDecoder decoder(loaded);
    for (const std::string& line : encoded.lines) {
        const auto result = decoder.addLine(line);
        ASSERT_EQ(result.sumFailures, 0);
        ASSERT_FALSE(result.rejected);
        ASSERT_FALSE(result.error.failed());
    }
    EXPECT_TRUE(decoder.trailerMatches());
    EXPECT_EQ(loaded.logonMode, p.logonMode);
    EXPECT_EQ(loaded.userId, p.userId);
    EXPECT_EQ(loaded.password, p.password);
    EXPECT_EQ(loaded.pin, p.pin);
    EXPECT_EQ(loaded.version, 9);
    EXPECT_EQ(loaded.answerMode, p.answerMode);
    EXPECT_EQ(loaded.entries, p.entries);
    EXPECT_EQ(loaded.questions, p.questions);
    ASSERT_EQ(loaded.categories.size(), 2u);
    EXPECT_EQ(loaded.categories.at(2).name, u"Mail");
}

// Feeds lines to a decoder and returns every line's result.
struct Decoded {
    Profile profile;
    std::vector<ProfileDecoder::LineResult> results;
    bool trailerOk = false;
};
Decoded Decode(const std::vector<std::string>& lines, Profile start = {}) {
    Decoded d;
    d.profile = std::move(start);
    ProfileDecoder decoder(d.profile);
    for (const std::string& line : lines) {
        d.results.push_back(decoder.addLine(line));
    }
    d.trailerOk = decoder.trailerMatches();
    return d;
}

TEST(Decode, ReportsEveryLoadFault) {
    const auto withSum = [](std::u16string_view r) { return AppendRecordSum(r); };

    {  // a sum off by one: reported, the values are still taken
        std::u16string bad = u"8|5|" + Int32Text(static_cast<std::int32_t>(RecordSum(u"8|5") + 1));
        const Decoded d = Decode(BuildLines({withSum(u"1|1"), bad}));
        EXPECT_EQ(d.results[2].sumFailures, 1);
        EXPECT_EQ(d.profile.version, 5);
        EXPECT_TRUE(d.trailerOk);
    }
    {  // categories differing only in case
        const Decoded d = Decode(BuildLines({withSum(u"1|1"), withSum(u"3|Bank"), withSum(u"3|BANK")}));
        EXPECT_EQ(d.results[3].error.number, 457);
        EXPECT_EQ(d.results[3].error.description,
                  u"This key is already associated with an element of this collection");
    }
    {  // a kind-9 record is skipped but counted
        const Decoded d = Decode(BuildLines({withSum(u"1|2"), u"9|whatever", withSum(u"6|3")}));
        for (const auto& r : d.results) {
            EXPECT_EQ(r.sumFailures, 0);
            EXPECT_FALSE(r.error.failed());
        }
        EXPECT_TRUE(d.trailerOk);
        EXPECT_EQ(d.profile.answerMode, 3);
    }
    {  // trailer missing
        const Decoded d = Decode(BuildLines({withSum(u"1|1")}, false));
        EXPECT_FALSE(d.trailerOk);
    }
    {  // a line after the trailer
        auto lines = BuildLines({withSum(u"1|1")});
        lines.push_back(EncryptUnderTestKey(withSum(u"6|1")));
        EXPECT_FALSE(Decode(lines).trailerOk);
    }
    {  // empty file: passes, keeps the logon fields
        Profile before;
        before.logonMode = 2;
        before.userId = u"kept";
        before.entries.push_back(EntryOf(u"4|x||||||||"));
        const Decoded d = Decode({}, before);
        EXPECT_TRUE(d.trailerOk);
        EXPECT_EQ(d.profile.logonMode, 2);
        EXPECT_EQ(d.profile.userId, u"kept");
        EXPECT_TRUE(d.profile.entries.empty());
    }
    {  // a kind that is not a number, a number field that is not a number, a missing field
        EXPECT_EQ(Decode(BuildLines({withSum(u"1|1"), withSum(u"x|1")})).results[2].error.number, 13);
        EXPECT_EQ(Decode(BuildLines({withSum(u"1|1"), withSum(u"8|seven")})).results[2].error.number, 13);
        const Decoded d = Decode(BuildLines({withSum(u"1|1"), u"8"}));
        EXPECT_EQ(d.results[2].sumFailures, 1);
        EXPECT_EQ(d.results[2].error.number, 9);
    }
    {  // a line that is not hexadecimal decrypts to nothing: kind is not a number
        auto lines = BuildLines({withSum(u"1|1"), withSum(u"6|1")});
        lines[2][5] = 'Z';
        EXPECT_EQ(Decode(lines).results[2].error.number, 13);
    }
    {  // a line two characters short: the cipher rejects it
        auto lines = BuildLines({withSum(u"1|1"), withSum(u"6|1")});
        lines[2].resize(lines[2].size() - 2);
        const Decoded d = Decode(lines);
        EXPECT_TRUE(d.results[2].rejected);
    }
    {  // a key line whose sum is wrong
        auto lines = BuildLines({withSum(u"1|1")});
        const std::string key = MakeProfileKey(u"8.27");
        lines[0] = crypto::TryEncryptText(WidenBytes(key) + u"|1", WidenBytes(lines[1]));
        EXPECT_EQ(Decode(lines).results[1].sumFailures, 1);
    }
}

TEST(Verifier, ReportsCountsAndTheFirstFault) {
    Profile p = SampleProfile();
    const std::string good = JoinFileLines(EncodeProfile(p, 12, u"8.27", false).lines);
    VerifyReport report = VerifyProfileBytes(good);
    EXPECT_TRUE(report.ok);
    EXPECT_TRUE(report.fault.empty());
    EXPECT_EQ(report.lineCount, 11u);
    ASSERT_TRUE(report.version.has_value());
    EXPECT_EQ(*report.version, 12);
    EXPECT_EQ(report.entryCount, 2u);
    EXPECT_EQ(report.categoryCount, 2u);
    EXPECT_EQ(report.questionCount, 1u);

    auto lines = BuildLines({AppendRecordSum(u"1|1"), u"8|3|1", AppendRecordSum(u"4|a|b||||||"), u"3|x|0"});
    report = VerifyProfileBytes(JoinFileLines(lines));
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.faultLine, 3u);
    EXPECT_EQ(report.fault, u"line 3: the record sum check failed");
    EXPECT_EQ(report.entryCount, 1u);
    EXPECT_EQ(report.lineCount, 6u);

    lines = BuildLines({AppendRecordSum(u"1|1")});
    lines.push_back(lines.back());
    report = VerifyProfileBytes(JoinFileLines(lines));
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.faultLine, 0u);
    EXPECT_NE(report.fault.find(u"trailer"), std::u16string::npos);
}

TEST(Verifier, SurvivesArbitraryBytes) {
    const std::string good = JoinFileLines(EncodeProfile(SampleProfile(), 3, u"8.27", false).lines);
    std::mt19937 random(20261208);
    int faults = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bytes = good;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3) {
                case 0:
                    bytes[at] = static_cast<char>(random());
                    break;
                case 1:
                    bytes.erase(at, 1 + random() % 70);
                    break;
                default:
                    bytes.insert(at, std::string(1 + random() % 3, static_cast<char>(random())));
                    break;
            }
        }
        const VerifyReport report = VerifyProfileBytes(bytes);
        EXPECT_EQ(report.ok, report.fault.empty());
        faults += report.ok ? 0 : 1;
    }
    EXPECT_GT(faults, 250);  // almost every change is noticed
    std::string noise(5000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    EXPECT_FALSE(VerifyProfileBytes(noise).ok);
    EXPECT_TRUE(VerifyProfileBytes("").ok);  // the loader accepts an empty file as well
}

}  // namespace
}  // namespace keyloft
