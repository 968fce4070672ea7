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
    }
    EXPECT_EQ(Utf8ToUtf16(testing::AllSamplesUtf8()), testing::AllSamplesUtf16());
    EXPECT_EQ(Utf16ToUtf8(testing::AllSamplesUtf16()), testing::AllSamplesUtf8());
}

TEST(TextConvert, InvalidInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xDC00), char16_t(0xD800)}), "a\xEF\xBF\xBD\xEF\xBF\xBD");
    // Encoded surrogate, past U+10FFFF, overlong, cut short.
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF" "x"), u"\uFFFD\uFFFD\uFFFDx");
    EXPECT_EQ(Utf8ToUtf16("x\xF0\x9F\x98"), u"x\uFFFD\uFFFD\uFFFD");
}

}  // namespace
}  // namespace keyloft
