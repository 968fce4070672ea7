#include "crypto/aes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "crypto/hex_bytes.h"

namespace keyloft::crypto {
namespace {

using testing::Hex;
using testing::ToHex;

struct KnownAnswer {
    const char* source;
    int nb;
    int nk;
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS-197, Appendix C (C.1 AES-128, C.2 AES-192, C.3 AES-256).
const KnownAnswer kFips197[] = {
    {"FIPS-197 C.1", 4, 4, "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"FIPS-197 C.2", 4, 6, "000102030405060708090a0b0c0d0e0f1011121314151617",
     "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"FIPS-197 C.3", 4, 8, "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
};

// 256-bit block, 256-bit key: produced by libmcrypt rijndael-256, ECB (Debian libmcrypt-dev).
const KnownAnswer kRijndael256[] = {
    {"libmcrypt rijndael-256, ECB: zero key, zero block", 8, 8,
     "0000000000000000000000000000000000000000000000000000000000000000",
     "0000000000000000000000000000000000000000000000000000000000000000",
     "c6227e7740b7e53b5cb77865278eab0726f62366d9aabad908936123a1fc8af3"},
    {"libmcrypt rijndael-256, ECB: counting key and block", 8, 8,
     "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "623d2bd4ca3796dc3d02ecf2f37fb637fd3da58509cebb67ab9265b04db51e7d"},
    {"libmcrypt rijndael-256, ECB: all-ones key and block", 8, 8,
     "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff",
     "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff",
     "f36cb6c7a7572f19307a31e4ec4ca4c82d2731fb21f59caf133fe816a54424a5"},
    {"libmcrypt rijndael-256, ECB: key of password abc, framed text abc", 8, 8,
     "6100620063000000000000000000000000000000000000000000000000000000",
     "0600000061006200630000000000000000000000000000000000000000000000",
     "6354d1f65a5d91188d1de6ff128faf17ce01080d0ffb811c0dc0cde1028e86ad"},
    {"libmcrypt rijndael-256, ECB: pseudo-random key and block", 8, 8,
     "dc0465aa1fad1d5adae5ac1b1e5f1370796cfd10ff19af601d04acb41d022b46",
     "78733af2df5faeb70859d1ee3910cb4895b5cc892911ff06b6622edf3cf935fd",
     "9a20324d28cba2f0049dce0b540b454e11ad876d859ccad9dbfc3c5c066722dc"},
    {"libmcrypt rijndael-256, ECB: zero key, single bit set", 8, 8,
     "0000000000000000000000000000000000000000000000000000000000000000",
     "8000000000000000000000000000000000000000000000000000000000000000",
     "159a08e46e616e6e9978502010daff922eb362e77dcaaf02eaeb7354eb8b8dba"},
};

// Other block and key lengths: produced by libmcrypt rijndael-192 and rijndael-256, ECB.
const KnownAnswer kOtherLengths[] = {
    {"libmcrypt rijndael-192, ECB, 128-bit key", 6, 4, "01080f161d242b323940474e555c636a",
     "a0a3a6a9acafb2b5b8bbbec1c4c7cacdd0d3d6d9dcdfe2e5", "4131d4fd908162b8e5a392028a4e8c33522cb81618d50516"},
    {"libmcrypt rijndael-192, ECB, 192-bit key", 6, 6, "01080f161d242b323940474e555c636a71787f868d949ba2",
     "a0a3a6a9acafb2b5b8bbbec1c4c7cacdd0d3d6d9dcdfe2e5", "19392ba2b900968033c3bc22040a37b0aaba33f931f511ae"},
    {"libmcrypt rijndael-192, ECB, 256-bit key", 6, 8,
     "01080f161d242b323940474e555c636a71787f868d949ba2a9b0b7bec5ccd3da",
     "a0a3a6a9acafb2b5b8bbbec1c4c7cacdd0d3d6d9dcdfe2e5", "a40dbc11a2f12a2e621842ecb4f8378c9bec0ad5358e2577"},
    {"libmcrypt rijndael-256, ECB, 128-bit key", 8, 4, "01080f161d242b323940474e555c636a",
     "a0a3a6a9acafb2b5b8bbbec1c4c7cacdd0d3d6d9dcdfe2e5e8ebeef1f4f7fafd",
     "eba1363abdedc2bf69c8f04bd8500acab40fdb3d0ff627cb80b23cd4fa90d14f"},
    {"libmcrypt rijndael-256, ECB, 192-bit key", 8, 6, "01080f161d242b323940474e555c636a71787f868d949ba2",
     "a0a3a6a9acafb2b5b8bbbec1c4c7cacdd0d3d6d9dcdfe2e5e8ebeef1f4f7fafd",
     "033f188bfa57491c5c64f17fa7f0c9466848b53b53f0a935b6c50310d5a0e5a9"},
};

void CheckKnownAnswer(const KnownAnswer& v) {
    SCOPED_TRACE(v.source);
    AES aes;
    aes.gentables();
    aes.gkey(v.nb, v.nk, Hex(v.key));
    Bytes block = Hex(v.plain);
    aes.Encrypt(block);
    EXPECT_EQ(ToHex(block), v.cipher);
    block = Hex(v.cipher);
    aes.Decrypt(block);
    EXPECT_EQ(ToHex(block), v.plain);
}

TEST(AesKnownAnswers, Fips197AppendixC) {
    for (const auto& v : kFips197) CheckKnownAnswer(v);
}

TEST(AesKnownAnswers, Rijndael256BlockAnd256BitKey) {
    for (const auto& v : kRijndael256) CheckKnownAnswer(v);
}

TEST(AesKnownAnswers, OtherBlockAndKeyLengths) {
    for (const auto& v : kOtherLengths) CheckKnownAnswer(v);
}

Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

TEST(AesBlock, DecryptUndoesEncryptForEverySize) {
    std::mt19937 rng(20261208);
    const int sizes[] = {4, 6, 8};
    for (int nb : sizes) {
        for (int nk : sizes) {
            SCOPED_TRACE("nb=" + std::to_string(nb) + " nk=" + std::to_string(nk));
            AES aes;
            aes.gentables();
            aes.gkey(nb, nk, RandomBytes(rng, 4 * static_cast<std::size_t>(nk)));
            for (int round = 0; round < 20; ++round) {
                const Bytes plain = RandomBytes(rng, 4 * static_cast<std::size_t>(nb));
                Bytes block = plain;
                aes.Encrypt(block);
                EXPECT_NE(block, plain);
                aes.Decrypt(block);
                EXPECT_EQ(block, plain);
            }
        }
    }
}

TEST(AesBlock, RepeatedSetupLeavesResultsUnchanged) {
    const KnownAnswer& v = kRijndael256[4];
    AES aes;
    aes.gentables();
    aes.gkey(8, 8, Hex(v.key));
    aes.gentables();
    aes.gkey(8, 8, Hex(v.key));
    EXPECT_EQ(aes.scheduleBuilds(), 1u);  // same key: schedule kept
    Bytes block = Hex(v.plain);
    aes.Encrypt(block);
    EXPECT_EQ(ToHex(block), v.cipher);

    // Another key and size in between, then the first key again.
    aes.gkey(4, 6, Hex(kFips197[1].key));
    aes.gkey(8, 8, Hex(v.key));
    EXPECT_EQ(aes.scheduleBuilds(), 3u);
    block = Hex(v.plain);
    aes.Encrypt(block);
    EXPECT_EQ(ToHex(block), v.cipher);
    aes.Decrypt(block);
    EXPECT_EQ(ToHex(block), v.plain);
}

TEST(AesBlock, BytesBeyondTheBlockAreUntouched) {
    const int sizes[] = {4, 6, 8};
    for (int nb : sizes) {
        SCOPED_TRACE("nb=" + std::to_string(nb));
        AES aes;
        aes.gkey(nb, 8, Bytes(32, 0x11));
        const std::size_t blockSize = 4 * static_cast<std::size_t>(nb);
        Bytes buff(blockSize + 9, 0xEE);
        aes.Encrypt(buff);
        EXPECT_TRUE(std::all_of(buff.begin() + static_cast<std::ptrdiff_t>(blockSize), buff.end(),
                                [](std::uint8_t b) { return b == 0xEE; }));
        aes.Decrypt(buff);
        EXPECT_EQ(buff, Bytes(blockSize + 9, 0xEE));
    }
}

TEST(AesBlock, UnalignedBuffersGiveTheSameResult) {
    const KnownAnswer& v = kRijndael256[1];
    AES aes;
    aes.gkey(8, 8, Hex(v.key));
    const Bytes plain = Hex(v.plain);
    for (std::size_t offset = 1; offset < 8; ++offset) {
        Bytes storage(offset + 32 + 3, 0);
        std::copy(plain.begin(), plain.end(), storage.begin() + static_cast<std::ptrdiff_t>(offset));
        std::span<std::uint8_t> block(storage.data() + offset, 32);
        aes.Encrypt(block);
        EXPECT_EQ(ToHex(Bytes(block.begin(), block.end())), v.cipher) << "offset " << offset;
        aes.Decrypt(block);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), plain.begin()));
    }
}

TEST(AesBlock, MisuseIsRefused) {
    AES aes;
    Bytes block(32, 0);
    EXPECT_THROW(aes.Encrypt(block), std::logic_error);
    EXPECT_THROW(aes.Decrypt(block), std::logic_error);
    EXPECT_THROW(aes.gkey(5, 8, Bytes(32, 0)), std::invalid_argument);
    EXPECT_THROW(aes.gkey(8, 10, Bytes(40, 0)), std::invalid_argument);
    EXPECT_THROW(aes.gkey(8, 8, Bytes(31, 0)), std::invalid_argument);
    aes.gkey(8, 8, Bytes(32, 0));
    Bytes shortBlock(31, 0);
    EXPECT_THROW(aes.Encrypt(shortBlock), std::invalid_argument);
    EXPECT_EQ(shortBlock, Bytes(31, 0));
}

// ---------------------------------------------------------------------------------------------
// Framed data

Bytes Frame(const Bytes& message) {
    Bytes framed(4, 0);
    const auto n = static_cast<std::uint32_t>(message.size());
    for (int i = 0; i < 4; ++i) framed[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
    framed.insert(framed.end(), message.begin(), message.end());
    framed.resize((framed.size() + 31) / 32 * 32, 0);
    return framed;
}

TEST(AesData, EncryptDataMatchesTheIndependentVector) {
    // "abc" as UTF-16LE under the key bytes of the password "abc".
    const Bytes message = {0x61, 0x00, 0x62, 0x00, 0x63, 0x00};
    const Bytes password = {0x61, 0x00, 0x62, 0x00, 0x63, 0x00};
    AES aes;
    aes.gkey(4, 4, Hex(kFips197[0].key));  // an earlier block key must not leak into the result
    const Bytes cipher = aes.EncryptData(message, password);
    EXPECT_EQ(ToHex(cipher), kRijndael256[3].cipher);
    EXPECT_EQ(aes.blockWords(), 8);
    EXPECT_EQ(aes.DecryptData(cipher, password), message);
}

TEST(AesData, ManyBlocksEqualEachBlockEncryptedAlone) {
    std::mt19937 rng(42);
    const Bytes password = RandomBytes(rng, 20);
    const Bytes message = RandomBytes(rng, 1000);
    AES aes;
    const Bytes cipher = aes.EncryptData(message, password);
    const Bytes framed = Frame(message);
    ASSERT_EQ(cipher.size(), framed.size());
    ASSERT_EQ(cipher.size(), 1024u);

    AES single;
    single.gentables();
    single.gkey(8, 8, KeyFromPassword(password));
    for (std::size_t offset = 0; offset < framed.size(); offset += 32) {
        Bytes block(framed.begin() + static_cast<std::ptrdiff_t>(offset),
                    framed.begin() + static_cast<std::ptrdiff_t>(offset + 32));
        single.Encrypt(block);
        EXPECT_TRUE(
            std::equal(block.begin(), block.end(), cipher.begin() + static_cast<std::ptrdiff_t>(offset)))
            << "block at " << offset;
    }
    EXPECT_EQ(aes.DecryptData(cipher, password), message);
}

TEST(AesData, RoundTripsEveryLengthAroundTheBlockBoundaries) {
    std::mt19937 rng(7);
    AES aes;
    for (std::size_t length = 1; length <= 100; ++length) {
        const Bytes message = RandomBytes(rng, length);
        const Bytes password = RandomBytes(rng, 1 + length % 40);
        const Bytes cipher = aes.EncryptData(message, password);
        EXPECT_EQ(cipher.size(), (length + 4 + 31) / 32 * 32) << length;
        EXPECT_EQ(aes.DecryptData(cipher, password), message) << length;
    }
}

TEST(AesData, MissingOrEmptyInputGivesAnEmptyResult) {
    AES aes;
    const Bytes some = {1, 2, 3};
    const Bytes none;
    EXPECT_TRUE(aes.EncryptData(std::nullopt, some).empty());
    EXPECT_TRUE(aes.EncryptData(some, std::nullopt).empty());
    EXPECT_TRUE(aes.EncryptData(none, some).empty());
    EXPECT_TRUE(aes.DecryptData(std::nullopt, some).empty());
    EXPECT_TRUE(aes.DecryptData(none, some).empty());

    const Bytes cipher = aes.EncryptData(some, some);
    ASSERT_EQ(cipher.size(), 32u);
    EXPECT_TRUE(aes.DecryptData(cipher, std::nullopt).empty());
    // A password array with storage but no elements is an all-zero key, not a failure.
    const Bytes zeroKeyCipher = aes.EncryptData(some, none);
    EXPECT_EQ(zeroKeyCipher, aes.EncryptData(some, Bytes(32, 0)));
    EXPECT_EQ(aes.DecryptData(zeroKeyCipher, none), some);
}

TEST(AesData, SizeNotAMultipleOf32IsRefused) {
    AES aes;
    const Bytes password = {9};
    Bytes cipher = aes.EncryptData(Bytes(40, 5), password);
    ASSERT_EQ(cipher.size(), 64u);
    for (std::size_t size : {1u, 31u, 33u, 63u}) {
        EXPECT_TRUE(aes.DecryptData(ByteSpan(cipher.data(), size), password).empty()) << size;
    }
    EXPECT_EQ(aes.DecryptData(ByteSpan(cipher.data(), 64), password), Bytes(40, 5));
}

// Encrypts a framed buffer whose length prefix is set by hand, as a foreign writer could.
Bytes EncryptWithPrefix(std::uint32_t prefix, std::size_t blocks, const Bytes& password) {
    Bytes plain(32 * blocks, 0x20);
    for (int i = 0; i < 4; ++i)
        plain[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(prefix >> (8 * i));
    AES aes;
    aes.gkey(8, 8, KeyFromPassword(password));
    for (std::size_t offset = 0; offset < plain.size(); offset += 32) {
        aes.Encrypt(std::span<std::uint8_t>(plain.data() + offset, 32));
    }
    return plain;
}

TEST(AesData, LengthPrefixMustFitTheBlocks) {
    const Bytes password = {1, 2, 3, 4};
    AES aes;
    EXPECT_TRUE(aes.DecryptData(EncryptWithPrefix(0, 1, password), password).empty());
    EXPECT_TRUE(aes.DecryptData(EncryptWithPrefix(0xFFFFFFFFu, 1, password), password).empty());
    EXPECT_TRUE(aes.DecryptData(EncryptWithPrefix(0x80000000u, 2, password), password).empty());
    EXPECT_TRUE(aes.DecryptData(EncryptWithPrefix(29, 1, password), password).empty());
    EXPECT_TRUE(aes.DecryptData(EncryptWithPrefix(61, 2, password), password).empty());
    // Exactly the room, and the padding is not examined.
    EXPECT_EQ(aes.DecryptData(EncryptWithPrefix(28, 1, password), password), Bytes(28, 0x20));
    EXPECT_EQ(aes.DecryptData(EncryptWithPrefix(1, 2, password), password), Bytes(1, 0x20));
    EXPECT_EQ(aes.DecryptData(EncryptWithPrefix(60, 2, password), password), Bytes(60, 0x20));
}

}  // namespace
}  // namespace keyloft::crypto
