// Checks of the file format that only particular inputs reach: a file whose line count is right
// but whose length is not, and the single-byte codes of the record sum.
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
    p.entries.push_back(u"4||Giro|me|pw||||");
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
    EXPECT_FALSE(a.store->OpenProfile(u"P"));
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
        {0x0000, 0},   {0x007F, 0x7F}, {0x00A0, 0xA0}, {0x00A1, 0xA1}, {0x00FE, 0xFE},
        {0x00FF, 0xFF}, {0x0100, '?'}, {0x0178, 0x9F}, {0x0153, 0x9C}, {0xD83D, '?'},
        {0xDE01, '?'}, {0xFFFD, '?'},  {0xFFFF, '?'},
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

}  // namespace
}  // namespace keyloft::testing
