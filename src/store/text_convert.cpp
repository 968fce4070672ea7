#include "store/text_convert.h"

namespace keyloft {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            const char32_t low = text[++i];
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, kReplacementCharacter);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            c = lead & 0x07;
        } else {
            out += static_cast<char16_t>(kReplacementCharacter);
            ++i;
            continue;
        }
        bool valid = i + static_cast<std::size_t>(extra) < bytes.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
            } else {
                c = (c << 6) | (next & 0x3F);
            }
        }
        const bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
        if (!valid || overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += static_cast<char16_t>(kReplacementCharacter);
            ++i;
            continue;
        }
        AppendUtf16(out, c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::u16string WidenBytes(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    const auto first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(u' ');
    return text.substr(first, last - first + 1);
}

}  // namespace keyloft
