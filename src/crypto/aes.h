#pragma once
// The Rijndael block cipher for block and key lengths of 4, 6 or 8 32-bit words, with the
// length-prefixed, zero-padded ECB framing used for every stored record.
//
// Byte layout: bytes b0..b3 form the word b0 + b1·2^8 + b2·2^16 + b3·2^24, and byte 4i + r of a
// block or key is row r of column i of the state. With a 4-word block this is AES.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace keyloft::crypto {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// A byte-array argument of EncryptData / DecryptData. std::nullopt stands for an array that has
// never been given any storage; a present span of length zero is an array with storage but no
// elements. A Bytes or a span converts to it implicitly.
using ByteArg = std::optional<ByteSpan>;

class AES {
  public:
    static constexpr int kMaxRoundKeyWords = 120;  // 8 words × 15 round keys

    AES() noexcept = default;
    ~AES();
    AES(const AES&) = delete;
    AES& operator=(const AES&) = delete;

    // The S-boxes and round tables are constants shared by the whole process, so there is
    // nothing left to build: kept for the calling order create, gentables, gkey. Calling it
    // again (or not at all) changes nothing.
    void gentables() noexcept;

    // Sets Nb = nb, Nk = nk (each 4, 6 or 8), Nr = 6 + max(nb, nk) and both round-key schedules
    // from the first 4·nk bytes of key. Throws std::invalid_argument for other sizes or a key
    // that is too short. The schedule is kept and only rebuilt when the sizes or key bytes differ.
    void gkey(int nb, int nk, ByteSpan key);

    // Replace bytes 0 .. 4·Nb − 1 of buff with their encryption / decryption under the last key
    // set; later bytes are not touched. Throws std::logic_error before gkey and
    // std::invalid_argument when buff is shorter than one block.
    void Encrypt(std::span<std::uint8_t> buff);
    void Decrypt(std::span<std::uint8_t> buff);

    // The message framed as [L: int32 little-endian][message][zeros to a multiple of 32] and
    // encrypted block by block under nb = nk = 8 and the 32-byte key taken from password (its
    // first 32 bytes, zero-filled). Empty result when an argument has no storage, the message is
    // empty, or on any other failure.
    Bytes EncryptData(ByteArg message, ByteArg password);

    // The inverse: the message bytes, or empty when an argument has no storage, the size is not a
    // positive multiple of 32, or the decrypted length prefix is below 1 or larger than the room.
    Bytes DecryptData(ByteArg cipher, ByteArg password);

    int blockWords() const noexcept { return nb_; }
    int keyWords() const noexcept { return nk_; }
    int rounds() const noexcept { return nr_; }

    // How many times the key schedule has actually been built (tests and benchmarks watch the cache).
    std::uint64_t scheduleBuilds() const noexcept { return scheduleBuilds_; }

  private:
    void buildSchedule(ByteSpan key);

    std::array<std::uint32_t, kMaxRoundKeyWords> encKeys_{};
    std::array<std::uint32_t, kMaxRoundKeyWords> decKeys_{};
    std::array<std::uint8_t, 32> keyBytes_{};  // the key the schedules were built from
    int nb_ = 0;
    int nk_ = 0;
    int nr_ = 0;
    bool keyed_ = false;
    std::uint64_t scheduleBuilds_ = 0;
};

// The 32-byte cipher key taken from password bytes: byte i of the password for i < 32, then zeros.
std::array<std::uint8_t, 32> KeyFromPassword(ByteSpan password) noexcept;

// Overwrites memory in a way the optimiser does not remove.
void WipeBytes(void* data, std::size_t size) noexcept;

}  // namespace keyloft::crypto
