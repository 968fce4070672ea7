#include "crypto/text_cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "crypto/aes.h"
#include "crypto/hex_bytes.h"

namespace keyloft::crypto {
namespace {

using testing::Hex;
using testing::ToHex;

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return s;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return s;
}

// Produced by libmcrypt rijndael-256, ECB, from the framing written out by hand:
// "abc" under the password "abc" (one block) and "ABCDEFGHIJKLMNO" under "pw" (two blocks).
constexpr const char* kAbcUnderAbc = "6354D1F65A5D91188D1DE6FF128FAF17CE01080D0FFB811C0DC0CDE1028E86AD";
constexpr const char* kFifteenUnderPw =
    "429ECCB8C19080DBBC7F9B92BD4BFB512876C22CEA32CAF5DCAB3478C74490D9"
    "BCDE12698E11AC6E3A4FAF6C5D7D0DD6B956DC89FD811D7FB3B496678C58643F";

TEST(TextCipher, MatchesIndependentlyProducedCipherText) {
    EXPECT_EQ(TryEncryptText(u"abc", u"abc"), kAbcUnderAbc);
    EXPECT_EQ(TryEncryptText(u"ABCDEFGHIJKLMNO", u"pw"), kFifteenUnderPw);
    const DecryptResult result = TryDecryptText(kFifteenUnderPw, u"pw");
    EXPECT_EQ(result.status, DecryptStatus::Ok);
    EXPECT_EQ(result.text, u"ABCDEFGHIJKLMNO");
}

TEST(TextCipher, AbcIsFramedAsOneBlock) {
    const std::string hex = TryEncryptText(u"abc", u"key");
    ASSERT_EQ(hex.size(), 64u);
    Bytes block = Hex(hex);
    AES aes;
    aes.gentables();
    aes.gkey(8, 8, KeyFromPassword(Bytes{'k', 0, 'e', 0, 'y', 0}));
    aes.Decrypt(block);
    Bytes expected = {0x06, 0x00, 0x00, 0x00, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00};
    expected.resize(32, 0x00);
    EXPECT_EQ(block, expected);
}

TEST(TextCipher, LengthGrowsByOneBlockPer16CodeUnits) {
    EXPECT_EQ(TryEncryptText(std::u16string(14, u'x'), u"p").size(), 64u);
    EXPECT_EQ(TryEncryptText(std::u16string(15, u'x'), u"p").size(), 128u);
    for (std::size_t n = 1; n <= 80; ++n) {
        const std::u16string text(n, u'q');
        const std::string hex = TryEncryptText(text, u"pass");
        EXPECT_EQ(hex.size(), 64 * ((2 * n + 4 + 31) / 32)) << n;
        EXPECT_EQ(TryDecryptText(hex, u"pass").text, text) << n;
    }
}

TEST(TextCipher, CipherTextIsUpperCaseHexAndLowerCaseIsAccepted) {
    const std::u16string text = u"Account|user|p@ss word|notes";
    const std::string hex = TryEncryptText(text, u"secret");
    ASSERT_FALSE(hex.empty());
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(TryDecryptText(Lower(hex), u"secret").text, text);
    std::string mixed = hex;
    for (std::size_t i = 0; i < mixed.size(); i += 3) mixed[i] = Lower(std::string(1, mixed[i]))[0];
    const DecryptResult result = TryDecryptText(mixed, u"secret");
    EXPECT_EQ(result.status, DecryptStatus::Ok);
    EXPECT_EQ(result.text, text);
}

TEST(TextCipher, OnlyTheFirst16PasswordCodeUnitsCount) {
    const std::u16string text = u"entry text";
    const std::u16string base = u"0123456789abcdef";  // 16 code units
    EXPECT_EQ(TryEncryptText(text, base), TryEncryptText(text, base + u"tail"));
    EXPECT_EQ(TryEncryptText(text, base + u"X"), TryEncryptText(text, base + u"Y"));
    std::u16string changedLast = base;
    changedLast[15] = u'F';
    EXPECT_NE(TryEncryptText(text, base), TryEncryptText(text, changedLast));
    // A short password is padded with zero bytes, so trailing U+0000 changes nothing.
    EXPECT_EQ(TryEncryptText(text, u"pw"), TryEncryptText(text, std::u16string(u"pw\0\0\0", 5)));
    EXPECT_EQ(TryDecryptText(TryEncryptText(text, u"pw"), std::u16string(u"pw\0", 3)).text, text);
    // The high byte of a code unit is part of the key.
    EXPECT_NE(TryEncryptText(text, u"p\u0177"), TryEncryptText(text, u"pw"));
}

TEST(TextCipher, TextOutsideAsciiSurvives) {
    const std::u16string texts[] = {
        u"caf\u00e9 na\u00efve \u00fcber",
        u"clef \U0001D11E and \U0001F511 key",                       // outside the BMP: surrogate pairs
        u"\u4e2d\u6587|\u0416\u0436", std::u16string(1, u'\xD800'),  // a lone surrogate is just a code unit
    };
    for (const auto& text : texts) {
        const std::string hex = TryEncryptText(text, u"p\u00e4ss\U0001F511");
        ASSERT_FALSE(hex.empty());
        const DecryptResult result = TryDecryptText(hex, u"p\u00e4ss\U0001F511");
        EXPECT_EQ(result.status, DecryptStatus::Ok);
        EXPECT_EQ(result.text, text);
    }
}

TEST(TextCipher, OneCharacterMissingIsMalformedNotRejected) {
    const std::string hex = TryEncryptText(u"hello", u"pw");
    ASSERT_EQ(hex.size(), 64u);
    const std::string truncated = hex.substr(0, hex.size() - 1);
    EXPECT_EQ(TryDecryptText(truncated, u"pw").status, DecryptStatus::Malformed);
    EXPECT_EQ(TryDecryptText(truncated, u"pw").text, u"");
    EXPECT_EQ(TryDecryptText("A", u"pw").status, DecryptStatus::Malformed);
}

TEST(TextCipher, NonHexPairIsMalformedNotRejected) {
    const std::string hex = TryEncryptText(u"hello", u"pw");
    for (const char bad : {'G', 'g', ' ', '-', '|', 'x'}) {
        std::string damaged = hex;
        damaged[10] = bad;
        EXPECT_EQ(TryDecryptText(damaged, u"pw").status, DecryptStatus::Malformed) << bad;
        EXPECT_EQ(TryDecryptText(damaged, u"pw").text, u"") << bad;
    }
    // Not hexadecimal and not a whole block: the character check comes first.
    EXPECT_EQ(TryDecryptText("ZZ", u"pw").status, DecryptStatus::Malformed);
}

TEST(TextCipher, ShortOrEmptyInputIsRejected) {
    const std::string hex = TryEncryptText(u"hello", u"pw");
    const std::string twoShort = hex.substr(0, hex.size() - 2);  // 31 bytes

    const struct {
        std::string cipher;
        std::u16string password;
    } cases[] = {
        {twoShort, u"pw"}, {"", u"pw"}, {hex, u""}, {"00", u"pw"}, {std::string(128, '0') + "00", u"pw"},
    };
    for (const auto& c : cases) {
        const DecryptResult result = TryDecryptText(c.cipher, c.password);
        EXPECT_EQ(result.status, DecryptStatus::Rejected) << c.cipher.size();
        EXPECT_EQ(result.text, u"") << c.cipher.size();
    }
}

TEST(TextCipher, OddByteCountKeepsWholeCodeUnits) {
    // Blocks encrypted by hand under the key of "pw" with a chosen length prefix.
    auto cipherWithPrefix = [](std::uint8_t prefix) {
        Bytes block(32, 0x41);
        block[0] = prefix;
        block[1] = block[2] = block[3] = 0;
        AES aes;
        aes.gkey(8, 8, KeyFromPassword(Bytes{'p', 0, 'w', 0}));
        aes.Encrypt(block);
        return Upper(ToHex(block));
    };
    // One byte does not make a code unit: the text is empty, so the line is rejected.
    EXPECT_EQ(TryDecryptText(cipherWithPrefix(1), u"pw").status, DecryptStatus::Rejected);
    // An odd length keeps the whole code units.
    const DecryptResult three = TryDecryptText(cipherWithPrefix(3), u"pw");
    EXPECT_EQ(three.status, DecryptStatus::Ok);
    EXPECT_EQ(three.text, std::u16string(1, u'\x4141'));
}

TEST(TextCipher, WrongPasswordIsRejected) {
    const std::string hex = TryEncryptText(u"a line of the profile", u"right");
    EXPECT_EQ(TryDecryptText(hex, u"wrong").status, DecryptStatus::Rejected);
}

TEST(TextCipher, EmptyInputToEncryptGivesNothing) {
    EXPECT_EQ(TryEncryptText(u"", u"pw"), "");
    EXPECT_EQ(TryEncryptText(u"text", u""), "");
}

TEST(TextCipher, SwitchingPasswordsGivesTheSameResultsAsAFreshStart) {
    const std::string firstA = TryEncryptText(u"line one", u"alpha");
    const std::string firstB = TryEncryptText(u"line one", u"beta");
    EXPECT_NE(firstA, firstB);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(TryEncryptText(u"line one", u"alpha"), firstA);
        EXPECT_EQ(TryDecryptText(firstB, u"beta").text, u"line one");
        EXPECT_EQ(TryEncryptText(u"line one", u"beta"), firstB);
        EXPECT_EQ(TryDecryptText(firstA, u"alpha").text, u"line one");
    }
}

TEST(TextCipher, IdenticalStretchesOfTextGiveIdenticalBlocks) {
    // 46 equal code units: the prefix and 14 units fill block 0, blocks 1 and 2 hold 16 each.
    const std::string hex = TryEncryptText(std::u16string(46, u'x'), u"pw");
    ASSERT_EQ(hex.size(), 192u);
    EXPECT_EQ(hex.substr(64, 64), hex.substr(128, 64));
    EXPECT_NE(hex.substr(0, 64), hex.substr(64, 64));
}

TEST(TextCipher, WidenAsciiKeepsEachCharacter) {
    EXPECT_EQ(WidenAscii("0A1b|"), u"0A1b|");
    EXPECT_EQ(WidenAscii(""), u"");
    EXPECT_EQ(WidenAscii("\xE9"), std::u16string(1, u'\u00e9'));
}

}  // namespace
}  // namespace keyloft::crypto
