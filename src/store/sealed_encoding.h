#pragma once
// Inside the sealed form (store/sealed_profile.h): the byte and text encodings its lines and its
// body use, memory that is zeroed when it goes, and the parts the key slots and the file share.
// Only the sealed_*.cpp files include this.

#include <sodium.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/sealed_profile.h"
#include "store/secret_memory.h"

namespace keyloft::sealed::detail {

constexpr int kMaxAnswerRows = 3;
constexpr int kCurrentFormat = 2;  // the format saves write (the header's "format=" line)
constexpr std::size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kHashBytes = crypto_generichash_BYTES;  // 32: BLAKE2b-256

// Bytes that may hold secrets: zeroed when they go.
struct Wiped {
    std::string bytes;
    Wiped() = default;
    Wiped(const Wiped&) = delete;
    Wiped& operator=(const Wiped&) = delete;
    ~Wiped() { wipe(); }
    // Zeroes what is held and starts again with room for `capacity` bytes, so that appends up to
    // that size leave no copies behind in freed memory.
    void restart(std::size_t capacity) {
        wipe();
        bytes.reserve(capacity);
    }
    void wipe() { Wipe(bytes); }
};

// Bytes that AppendText adds for a text.
std::size_t TextBytes(std::u16string_view text);

inline const unsigned char* U(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}
inline unsigned char* U(std::string& s) { return reinterpret_cast<unsigned char*>(s.data()); }

std::string Random(std::size_t n);

// Base64 of the original alphabet with padding (RFC 4648), decoded strictly.
std::string ToBase64(std::string_view bin);
std::optional<std::string> FromBase64(std::string_view text);

void AppendUnits(std::string& out, std::u16string_view text);
void AppendLength(std::string& out, std::size_t n);
// A text with its length in front, so that no two lists of texts encode alike.
void AppendText(std::string& out, std::u16string_view text);
std::optional<std::u16string> UnitsFrom(std::string_view bytes);

std::string Decimal(long long value);

template <typename T>
std::optional<T> ParseNumber(std::string_view text, bool allowSign) {
    if (text.empty() || (!allowSign && text.front() == '-')) return std::nullopt;
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The value of a "name=value" line, or nullopt when the line is not of that name.
std::optional<std::string_view> Value(std::string_view line, std::string_view name);
bool IsHexLine(std::string_view line);

// BLAKE2b-256 of the first `count` lines, each followed by CR LF.
std::string Checksum(const std::vector<std::string>& lines, std::size_t count);
std::string JoinWithEndings(const std::vector<std::string>& lines);

// The key slots (sealed_keys.cpp).
// What the slots depend on: the logon details, the answer mode, the questions and their answers.
std::array<unsigned char, 32> MadeFrom(const Profile& profile);

}  // namespace keyloft::sealed::detail
