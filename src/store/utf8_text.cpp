#include "store/utf8_text.h"

#include <cstdint>

namespace keyloft {
namespace {

// Decodes one UTF-8 sequence at text[i]; advances i past it. Nothing for an invalid sequence,
// after which i has moved past its first byte.
std::optional<char32_t> DecodeOne(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return std::nullopt;
    }
    if (i + length > text.size()) {
        ++i;
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return std::nullopt;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return std::nullopt;
    }
    i += length;
    return c;
}

}  // namespace

std::optional<std::u16string> FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::optional<char32_t> c = DecodeOne(text, i);
        if (!c) return std::nullopt;
        AppendUtf16(out, *c);
    }
    return out;
}

std::u16string FromUtf8Lenient(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::optional<char32_t> c = DecodeOne(text, i);
        AppendUtf16(out, c ? *c : kReplacementCharacter);
    }
    return out;
}

std::u16string AsciiToUtf16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace keyloft
