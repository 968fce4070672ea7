#include "store/sealed_encoding.h"

#include <algorithm>

namespace keyloft::sealed::detail {

std::size_t TextBytes(std::u16string_view text) { return 4 + 2 * text.size(); }

std::string Random(std::size_t n) {
    std::string bytes(n, '\0');
    randombytes_buf(bytes.data(), n);
    return bytes;
}

// The texts are cipher texts, salts and nonces, nothing secret, so a plain table serves; decoding
// is strict: only the alphabet, padding only at the end, and no bits left over.
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string ToBase64(std::string_view bin) {
    std::string text((bin.size() + 2) / 3 * 4, '=');
    const auto* in = reinterpret_cast<const unsigned char*>(bin.data());
    std::size_t i = 0;
    std::size_t o = 0;
    for (; i + 3 <= bin.size(); i += 3, o += 4) {
        const unsigned v = (unsigned{in[i]} << 16) | (unsigned{in[i + 1]} << 8) | in[i + 2];
        text[o] = kBase64Alphabet[v >> 18];
        text[o + 1] = kBase64Alphabet[(v >> 12) & 63];
        text[o + 2] = kBase64Alphabet[(v >> 6) & 63];
        text[o + 3] = kBase64Alphabet[v & 63];
    }
    if (i < bin.size()) {
        const bool two = i + 1 < bin.size();
        const unsigned v = (unsigned{in[i]} << 16) | (two ? unsigned{in[i + 1]} << 8 : 0u);
        text[o] = kBase64Alphabet[v >> 18];
        text[o + 1] = kBase64Alphabet[(v >> 12) & 63];
        if (two) text[o + 2] = kBase64Alphabet[(v >> 6) & 63];
    }
    return text;
}

std::optional<std::string> FromBase64(std::string_view text) {
    static const std::array<signed char, 256> values = [] {
        std::array<signed char, 256> table{};
        table.fill(-1);
        for (int v = 0; v < 64; ++v)
            table[static_cast<unsigned char>(kBase64Alphabet[v])] = static_cast<signed char>(v);
        return table;
    }();
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string bin(text.size() / 4 * 3, '\0');
    const auto value = [&](std::size_t k) { return values[static_cast<unsigned char>(text[k])]; };
    std::size_t o = 0;
    for (std::size_t k = 0; k < text.size(); k += 4, o += 3) {
        const bool last = k + 4 == text.size();
        const int a = value(k);
        const int b = value(k + 1);
        const int c = last && padding == 2 ? 0 : value(k + 2);
        const int d = last && padding >= 1 ? 0 : value(k + 3);
        if ((a | b | c | d) < 0) return std::nullopt;
        const unsigned v = (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6) | unsigned(d);
        bin[o] = static_cast<char>(v >> 16);
        bin[o + 1] = static_cast<char>((v >> 8) & 0xFF);
        bin[o + 2] = static_cast<char>(v & 0xFF);
        if (last && ((padding == 1 && (d != 0 || (v & 0xFF) != 0)) || (padding == 2 && (v & 0xFFFF) != 0))) {
            return std::nullopt;  // bits beyond the data
        }
    }
    bin.resize(bin.size() - padding);
    return bin;
}

void AppendUnits(std::string& out, std::u16string_view text) {
    std::size_t at = out.size();
    out.resize(at + 2 * text.size());
    for (const char16_t unit : text) {
        out[at++] = static_cast<char>(unit & 0xFF);
        out[at++] = static_cast<char>(unit >> 8);
    }
}

void AppendLength(std::string& out, std::size_t n) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
}

void AppendText(std::string& out, std::u16string_view text) {
    AppendLength(out, text.size());
    AppendUnits(out, text);
}

std::optional<std::u16string> UnitsFrom(std::string_view bytes) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return text;
}

std::string Decimal(long long value) { return std::to_string(value); }

// The value of a "name=value" line, or nullopt when the line is not of that name.
std::optional<std::string_view> Value(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line.compare(0, name.size(), name) != 0 || line[name.size()] != '=') {
        return std::nullopt;
    }
    return line.substr(name.size() + 1);
}

bool IsHexLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

std::string Checksum(const std::vector<std::string>& lines, std::size_t count) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kHashBytes);
    for (std::size_t i = 0; i < count; ++i) {
        crypto_generichash_update(&state, U(lines[i]), lines[i].size());
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>("\r\n"), 2);
    }
    std::string hash(kHashBytes, '\0');
    crypto_generichash_final(&state, U(hash), hash.size());
    return hash;
}

std::string JoinWithEndings(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        joined += line;
        joined += "\r\n";
    }
    return joined;
}

}  // namespace keyloft::sealed::detail
