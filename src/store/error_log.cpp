#include "store/error_log.h"

#include <cstdio>

namespace keyloft {
namespace {

std::u16string Digits(int value, const char* format) {
    char buffer[16];
    const int n = std::snprintf(buffer, sizeof buffer, format, value);
    return std::u16string(buffer, buffer + (n > 0 ? n : 0));
}

bool TurnsTextDirection(char16_t c) {
    return (c >= 0x200E && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
           c == 0x061C;
}

std::u16string HexEscape(char16_t c, int digits) {
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    std::u16string text = digits == 2 ? u"\\x" : u"\\u";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        text += kHex[(c >> shift) & 0xF];
    }
    return text;
}

}  // namespace

std::u16string EscapeLogField(std::u16string_view text) {
    constexpr std::u16string_view kCut = u"...";
    std::u16string escaped;
    std::size_t fitsWithCut = 0;  // length at the last whole escape that leaves room for the cut mark
    for (const char16_t c : text) {
        if (c == u'\r') {
            escaped += u"\\r";
        } else if (c == u'\n') {
            escaped += u"\\n";
        } else if (c == u'\t') {
            escaped += u"\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            escaped += HexEscape(c, 2);
        } else if (c == 0x2028 || c == 0x2029 || TurnsTextDirection(c)) {
            escaped += HexEscape(c, 4);
        } else {
            escaped += c;
        }
        if (escaped.size() <= kMaxLogFieldLength - kCut.size()) {
            fitsWithCut = escaped.size();
        } else if (escaped.size() > kMaxLogFieldLength) {
            escaped.resize(fitsWithCut);
            // Never half a surrogate pair.
            if (!escaped.empty() && escaped.back() >= 0xD800 && escaped.back() <= 0xDBFF) {
                escaped.pop_back();
            }
            return escaped += kCut;
        }
    }
    return escaped;
}

std::u16string ErrorLogLine(const LocalTime& now, std::u16string_view operation, std::u16string_view number,
                            std::u16string_view description) {
    std::u16string entry = u"#";
    entry += Digits(now.year, "%04d") + u"-" + Digits(now.month, "%02d") + u"-" + Digits(now.day, "%02d");
    if (now.hour != 0 || now.minute != 0 || now.second != 0) {
        entry += u" " + Digits(now.hour, "%02d") + u":" + Digits(now.minute, "%02d") + u":" +
                 Digits(now.second, "%02d");
    }
    entry += u"#,\"";
    entry += EscapeLogField(operation);
    entry += u"\",\"";
    entry += EscapeLogField(number);
    entry += u"\",\"";
    entry += EscapeLogField(description);
    entry += u"\"\r\n";
    return entry;
}

}  // namespace keyloft
