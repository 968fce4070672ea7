// Checks of the file format that only particular inputs reach: a file whose line count is right
// but whose length is not, the single-byte codes of the record sum, and category keys that ignore
// letter case beyond ASCII.
#include <gtest/gtest.h>

#include "store/profile.h"
#include "store/profile_codec.h"
#include "store/profile_verifier.h"
#include "store/text_convert.h"
#include "store_fixture.h"
#include "support/profile_file_edit.h"

namespace keyloft::testing {
namespace {

// ---------------------------------------------------------------------------------------------
// Trailer: total length

std::string GoodFile() {
    Profile p;
    p.logonMode = kPasswordOnly;
    p.password = u"pw";
    p.version = 4;
    p.entries.push_back(Entry{u"", u"Giro", u"me", u"pw", {}, {}, {}, {}});
    return JoinFileLines(EncodeProfile(p, 5, u"8.27", false).lines);
}

TEST(TrailerLength, ALineOneBlockLongerFailsTheCheckThoughTheLineCountHolds) {
    const std::string good = GoodFile();
    const std::string longer = LengthenVersionLine(good);
    ASSERT_FALSE(longer.empty());
    ASSERT_EQ(SplitFileLines(longer).size(), SplitFileLines(good).size());
    ASSERT_EQ(longer.size(), good.size() + 64);

    Profile loaded;
    ProfileDecoder decoder(loaded);
    for (const std::string& line : SplitFileLines(longer)) {
        const ProfileDecoder::LineResult result = decoder.addLine(line);
        ASSERT_EQ(result.sumFailures, 0);
        ASSERT_FALSE(result.rejected);
        ASSERT_FALSE(result.error.failed());
    }
    EXPECT_EQ(loaded.version, 5);  // every record is sound
    EXPECT_EQ(decoder.expectedLineCount(), static_cast<std::int32_t>(decoder.linesRead()));
    EXPECT_FALSE(decoder.trailerMatches());

    const VerifyReport report = VerifyProfileBytes(longer);
    EXPECT_FALSE(report.ok);
    const std::u16string total = Int32Text(static_cast<std::int32_t>(good.size() - 2 * 7));
    const std::u16string actual = Int32Text(static_cast<std::int32_t>(good.size() - 2 * 7 + 64));
    EXPECT_EQ(report.fault, u"trailer check failed: line count 7 (file has 7), total length " + total +
                                u" (file has " + actual + u")");
    EXPECT_TRUE(VerifyProfileBytes(good).ok);
}

TEST_F(StoreTest, LoadRefusesAFileWhoseTotalLengthIsWrong) {
    TempFolder::writeFile(profileFile(u"P"), LengthenVersionLine(GoodFile()));
    Instance& a = startInstance();
    EXPECT_FALSE(a.open(u"P").loaded());
    EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{u"Invalid Data!."});
    EXPECT_EQ(a.host.mainWindowCloses, 1);
}

// ---------------------------------------------------------------------------------------------
// Record sum: single-byte codes

// The Windows-1252 code page from 0x80 to 0x9F, typed from its published table; 0 where the code
// page leaves the byte unassigned.
constexpr char16_t kWindows1252HighHalf[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 0x98
};

TEST(RecordSumCodes, TheHighHalfOfWindows1252) {
    int mapped = 0;
    for (int i = 0; i < 32; ++i) {
        const int byte = 0x80 + i;
        const char16_t mappedFrom = kWindows1252HighHalf[i];
        const char16_t control = static_cast<char16_t>(byte);  // the C1 control of the same value
        SCOPED_TRACE(::testing::Message() << "byte 0x" << std::hex << byte);
        if (mappedFrom != 0) {
            ++mapped;
            EXPECT_EQ(SingleByteCode(mappedFrom), byte);
            EXPECT_EQ(SingleByteCode(control), '?');  // the byte means another character
        } else {
            // An unassigned byte converts to and from the control of the same value, as the
            // system's single-byte conversion does, so that control counts as that byte.
            EXPECT_EQ(SingleByteCode(control), byte);
        }
    }
    EXPECT_EQ(mapped, 27);
}

TEST(RecordSumCodes, EndsOfTheSingleByteRange) {
    const struct {
        char16_t unit;
        int code;
    } cases[] = {
        {0x0000, 0},    {0x007F, 0x7F}, {0x00A0, 0xA0}, {0x00A1, 0xA1}, {0x00FE, 0xFE},
        {0x00FF, 0xFF}, {0x0100, '?'},  {0x0178, 0x9F}, {0x0153, 0x9C}, {0xD83D, '?'},
        {0xDE01, '?'},  {0xFFFD, '?'},  {0xFFFF, '?'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SingleByteCode(c.unit), c.code) << "U+" << std::hex << static_cast<unsigned>(c.unit);
    }
    // A file written elsewhere: the sum is typed here, not computed. 51 + 124 + 255 + 128 + 160.
    const std::u16string record = u"3|\u00ff\u20ac\u00a0";
    EXPECT_EQ(RecordSum(record), 718);
    std::u16string line = record + u"|718";
    EXPECT_TRUE(RSumofAC(line, SplitFields(line), 2));
}

// ---------------------------------------------------------------------------------------------
// Category keys ignore letter case

struct CasePair {
    const char16_t* lower;
    const char16_t* upper;
};

TEST(CategoryKeys, LettersOutsideAsciiMatchTheirOtherCase) {
    const CasePair pairs[] = {
        {u"\u00e9t\u00e9", u"\u00c9T\u00c9"},            // Latin-1: été
        {u"\u00fe\u00f0\u00e6", u"\u00de\u00d0\u00c6"},  // þðæ
        {u"\u00e0\u00fe", u"\u00c0\u00de"},              // the ends of the Latin-1 letters
        {u"\u00ff", u"\u0178"},                          // ÿ and its capital outside Latin-1
        {u"\u0101\u0142\u017e", u"\u0100\u0141\u017d"},  // Latin Extended-A: āłž
        {u"\u0105\u0107\u0119\u0144\u015b\u017a\u017c",
         u"\u0104\u0106\u0118\u0143\u015a\u0179\u017b"},  // Polish
        {u"\u0131", u"I"},                                // dotless i
        {u"\u03b1\u03b2\u03c9", u"\u0391\u0392\u03a9"},   // Greek: αβω
        {u"\u03c3\u03c2", u"\u03a3\u03a3"},               // both sigmas
        {u"\u03ac\u03ad\u03ae\u03af\u03cc\u03cd\u03ce",
         u"\u0386\u0388\u0389\u038a\u038c\u038e\u038f"},                                     // with tonos
        {u"\u03ca\u03cb", u"\u03aa\u03ab"},                                                  // with dialytika
        {u"\u044f\u0431\u043b\u043e\u043a\u043e", u"\u042f\u0411\u041b\u041e\u041a\u041e"},  // Cyrillic
        {u"\u0430\u044f", u"\u0410\u042f"},              // а and я, the ends of the basic letters
        {u"\u0451\u0450\u045f", u"\u0401\u0400\u040f"},  // ё and the letters before а
        {u"\u0491\u0493\u049b\u04a3\u04af\u04b1\u04bb",
         u"\u0490\u0492\u049a\u04a2\u04ae\u04b0\u04ba"},                         // ґ ғ қ ң ү ұ һ
        {u"\u04d9\u04e9\u04c2\u04cf\u0461", u"\u04d8\u04e8\u04c1\u04c0\u0460"},  // ә ө ӂ ӏ ѡ
    };
    for (const CasePair& pair : pairs) {
        SCOPED_TRACE(Utf16ToUtf8(pair.lower));
        CategoryList categories;
        ASSERT_TRUE(categories.add(pair.lower));
        EXPECT_NE(categories.findIgnoringCase(pair.upper), nullptr);
        EXPECT_FALSE(categories.add(pair.upper));
        EXPECT_EQ(FoldCase(pair.lower), FoldCase(pair.upper));
    }
}

TEST(CategoryKeys, CharactersWithoutCaseStayApart) {
    // Each pair differs by the distance between a small and a capital letter nearby, or folds to
    // a capital in a naive rule; none of them is the other's case.
    const CasePair apart[] = {
        {u"\u00f7", u"\u00d7"},  // ÷ ×
        {u"\u00df", u"\u00bf"},  // ß ¿
        {u"\u00aa", u"\u008a"},  // ª and a control
        {u"\u00b5", u"\u0095"},  // µ and a control
        {u"\u0138", u"\u0137"},  // ĸ ķ
        {u"\u0149", u"\u0148"},  // ŉ ň
        {u"\u0130", u"i"},       // İ and i
        {u"\u05d0", u"\u05b0"},  // Hebrew alef
        {u"\u65e5", u"\u65c5"},  // CJK
        {u"1", u"\u0011"},
    };
    for (const CasePair& pair : apart) {
        SCOPED_TRACE(Utf16ToUtf8(pair.lower));
        CategoryList categories;
        ASSERT_TRUE(categories.add(pair.lower));
        EXPECT_EQ(categories.findIgnoringCase(pair.upper), nullptr);
        EXPECT_TRUE(categories.add(pair.upper));
    }
}

// Found by fuzz_profile_file: a check that stops at its first fault still reports every line of
// the file it was given.
TEST(VerifierLineCount, CountsEveryLineWhenAFaultStopsTheCheckEarly) {
    const VerifyReport report = VerifyProfileBytes("not hexadecimal\r\nsecond\r\nthird\r\n");
    EXPECT_FALSE(report.ok);
    EXPECT_EQ(report.lineCount, 3u);
}

}  // namespace
}  // namespace keyloft::testing
