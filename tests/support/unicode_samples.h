#pragma once
// Characters at every boundary of the UTF-8 and UTF-16 forms (lengths of one to four bytes, the
// surrogate range, every plane's first and last character) and a few supplementary characters in
// everyday use, each with its UTF-16 and UTF-8 form as the compiler encodes them.

#include <string>
#include <string_view>

namespace keyloft::testing {

struct UnicodeSample {
    char32_t codePoint;
    std::u16string_view utf16;
    std::u8string_view utf8;

    std::string utf8Bytes() const { return std::string(utf8.begin(), utf8.end()); }
};

inline constexpr UnicodeSample kUnicodeSamples[] = {
    {0x7F, u"\u007F", u8"\u007F"},
    {0x80, u"\u0080", u8"\u0080"},
    {0x7FF, u"\u07FF", u8"\u07FF"},
    {0x800, u"\u0800", u8"\u0800"},
    {0xD7FF, u"\uD7FF", u8"\uD7FF"},
    {0xE000, u"\uE000", u8"\uE000"},
    {0xFFFD, u"\uFFFD", u8"\uFFFD"},
    {0xFFFF, u"\uFFFF", u8"\uFFFF"},
    {0x10000, u"\U00010000", u8"\U00010000"},
    {0x103FF, u"\U000103FF", u8"\U000103FF"},  // last with low surrogate DFFF under D800
    {0x10400, u"\U00010400", u8"\U00010400"},  // first under the next high surrogate
    {0x1D11E, u"\U0001D11E", u8"\U0001D11E"},  // musical symbol G clef
    {0x1F600, u"\U0001F600", u8"\U0001F600"},
    {0x1F601, u"\U0001F601", u8"\U0001F601"},
    {0x1F511, u"\U0001F511", u8"\U0001F511"},  // key
    {0x1FFFF, u"\U0001FFFF", u8"\U0001FFFF"},
    {0x20000, u"\U00020000", u8"\U00020000"},
    {0x20BB7, u"\U00020BB7", u8"\U00020BB7"},  // a CJK ideograph outside the basic plane
    {0x2FFFF, u"\U0002FFFF", u8"\U0002FFFF"},
    {0x30000, u"\U00030000", u8"\U00030000"},
    {0x3FFFF, u"\U0003FFFF", u8"\U0003FFFF"},
    {0x40000, u"\U00040000", u8"\U00040000"},
    {0xEFFFF, u"\U000EFFFF", u8"\U000EFFFF"},
    {0xF0000, u"\U000F0000", u8"\U000F0000"},
    {0xFFFFF, u"\U000FFFFF", u8"\U000FFFFF"},
    {0x100000, u"\U00100000", u8"\U00100000"},
    {0x10FC00, u"\U0010FC00", u8"\U0010FC00"},  // high surrogate DBFF, low DC00
    {0x10FFFF, u"\U0010FFFF", u8"\U0010FFFF"},
};

// All samples in one text, separated by blanks and framed by "<" and ">".
inline std::u16string AllSamplesUtf16() {
    std::u16string text = u"<";
    for (const UnicodeSample& sample : kUnicodeSamples) {
        text += sample.utf16;
        text += u' ';
    }
    return text + u">";
}
inline std::string AllSamplesUtf8() {
    std::string text = "<";
    for (const UnicodeSample& sample : kUnicodeSamples) {
        text += sample.utf8Bytes();
        text += ' ';
    }
    return text + ">";
}

}  // namespace keyloft::testing
