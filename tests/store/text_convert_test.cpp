// UTF-8 of file names, the settings file and the error log against the compiler's own encoding.
#include <gtest/gtest.h>

#include "store/text_convert.h"
#include "support/unicode_samples.h"

namespace keyloft {
namespace {

using testing::kUnicodeSamples;

TEST(TextConvert, EveryPlaneBoundaryRoundTrips) {
    for (const auto& sample : kUnicodeSamples) {
        SCOPED_TRACE(::testing::Message() << "U+" << std::hex << static_cast<unsigned>(sample.codePoint));
        EXPECT_EQ(Utf16ToUtf8(sample.utf16), sample.utf8Bytes());
        EXPECT_EQ(Utf8ToUtf16(sample.utf8Bytes()), sample.utf16);
        EXPECT_EQ(FromUtf8(sample.utf8Bytes()), std::optional<std::u16string>(sample.utf16));
    }
    EXPECT_EQ(Utf8ToUtf16(testing::AllSamplesUtf8()), testing::AllSamplesUtf16());
    EXPECT_EQ(FromUtf8(testing::AllSamplesUtf8()), testing::AllSamplesUtf16());
    EXPECT_EQ(Utf16ToUtf8(testing::AllSamplesUtf16()), testing::AllSamplesUtf8());
}

TEST(TextConvert, InvalidInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xDC00), char16_t(0xD800)}),
              "a\xEF\xBF\xBD\xEF\xBF\xBD");
    // Encoded surrogate, past U+10FFFF, overlong, cut short.
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"
                          "x"),
              u"\uFFFD\uFFFD\uFFFDx");
    EXPECT_EQ(Utf8ToUtf16("x\xF0\x9F\x98"), u"x\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    // The strict form refuses the whole text for any one of them.
    for (const char* bad :
         {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE6\x97", "\x80", "\xFF", "ok\xFF"})
        EXPECT_FALSE(FromUtf8(bad).has_value()) << bad;
}

// A lone surrogate, wherever it stands, becomes U+FFFD: the result is always valid UTF-8.
TEST(TextConvert, UnpairedSurrogatesBecomeReplacementCharacters) {
    const struct {
        const char* what;
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {"ordinary text", u"Grüße, 日本 😀",
         "Gr\xC3\xBC\xC3\x9F"
         "e, \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"},
        {"lone high",
         {u'a', char16_t(0xD83D), u'b'},
         "a\xEF\xBF\xBD"
         "b"},
        {"lone low",
         {u'a', char16_t(0xDE00), u'b'},
         "a\xEF\xBF\xBD"
         "b"},
        {"high at the end", {u'a', char16_t(0xD83D)}, "a\xEF\xBF\xBD"},
        {"reversed pair", {char16_t(0xDE00), char16_t(0xD83D)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"empty", {}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.what;
        EXPECT_TRUE(FromUtf8(c.utf8).has_value()) << c.what;
    }
}

}  // namespace
}  // namespace keyloft
