#include "crypto/text_cipher.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "crypto/aes.h"

namespace keyloft::crypto {
namespace {

// The one cipher object of the process. It keeps its key schedule between calls and rebuilds it
// only when the password changes. Used from the user-interface thread only.
AES& sharedCipher() {
    static AES cipher;
    return cipher;
}

// Text as UTF-16 little-endian bytes: low byte of each code unit first, no byte-order mark.
Bytes utf16leBytes(std::u16string_view text) {
    Bytes bytes(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    return bytes;
}

// Only the first 32 bytes of the password (its first 16 code units) reach the key.
struct PasswordKeyBytes {
    std::array<std::uint8_t, 32> bytes{};
    std::size_t size = 0;

    explicit PasswordKeyBytes(std::u16string_view password) {
        const std::size_t units = std::min<std::size_t>(password.size(), bytes.size() / 2);
        for (std::size_t i = 0; i < units; ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(password[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(password[i] >> 8);
        }
        size = units * 2;
    }
    ~PasswordKeyBytes() { WipeBytes(bytes.data(), bytes.size()); }
    PasswordKeyBytes(const PasswordKeyBytes&) = delete;
    PasswordKeyBytes& operator=(const PasswordKeyBytes&) = delete;

    ByteSpan span() const { return ByteSpan(bytes.data(), size); }
};

// A trailing odd byte does not make a code unit and is dropped.
std::u16string textFromUtf16le(const Bytes& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return text;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Value of one hexadecimal digit of either case, or -1.
constexpr int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string TryEncryptText(std::u16string_view text, std::u16string_view password) {
    if (text.empty() || password.empty()) return {};
    try {
        Bytes message = utf16leBytes(text);
        const PasswordKeyBytes key(password);
        const Bytes cipher = sharedCipher().EncryptData(message, key.span());
        WipeBytes(message.data(), message.size());

        std::string hex(cipher.size() * 2, '0');
        for (std::size_t i = 0; i < cipher.size(); ++i) {
            hex[2 * i] = kHexDigits[cipher[i] >> 4];
            hex[2 * i + 1] = kHexDigits[cipher[i] & 0x0F];
        }
        return hex;
    } catch (...) {
        return {};
    }
}

DecryptResult TryDecryptText(std::string_view cipherText, std::u16string_view password) {
    if (cipherText.empty() || password.empty()) return {{}, DecryptStatus::Rejected};
    if (cipherText.size() % 2 != 0) return {{}, DecryptStatus::Malformed};
    try {
        Bytes cipher(cipherText.size() / 2);
        for (std::size_t i = 0; i < cipher.size(); ++i) {
            const int high = hexValue(cipherText[2 * i]);
            const int low = hexValue(cipherText[2 * i + 1]);
            if (high < 0 || low < 0) return {{}, DecryptStatus::Malformed};
            cipher[i] = static_cast<std::uint8_t>(high * 16 + low);
        }
        const PasswordKeyBytes key(password);
        Bytes plain = sharedCipher().DecryptData(cipher, key.span());
        std::u16string text = textFromUtf16le(plain);
        WipeBytes(plain.data(), plain.size());
        if (text.empty()) return {{}, DecryptStatus::Rejected};
        return {std::move(text), DecryptStatus::Ok};
    } catch (...) {
        return {{}, DecryptStatus::Malformed};
    }
}

std::u16string WidenAscii(std::string_view ascii) {
    std::u16string wide(ascii.size(), u'\0');
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(ascii[i]));
    }
    return wide;
}

}  // namespace keyloft::crypto
