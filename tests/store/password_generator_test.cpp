#include "store/password_generator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace keyloft {
namespace {

bool IsLetterOrDigit(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

TEST(PasswordGenerator, SevenLettersOrDigitsAndEveryCharacterReachable) {
    std::set<char16_t> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::u16string password = GeneratePassword();
        ASSERT_EQ(password.size(), 7u);
        for (char16_t c : password) {
            ASSERT_TRUE(IsLetterOrDigit(c)) << static_cast<int>(c);
            seen.insert(c);
        }
    }
    // 14,000 draws from 62 characters: missing any one of them has a chance of about e^-225.
    EXPECT_EQ(seen.size(), 62u);
    EXPECT_TRUE(seen.count(u'g'));
    EXPECT_TRUE(seen.count(u'C'));
}

TEST(PasswordGenerator, ThousandPasswordsAreAllDifferent) {
    std::set<std::u16string> passwords;
    for (int i = 0; i < 1000; ++i) passwords.insert(GeneratePassword());
    EXPECT_EQ(passwords.size(), 1000u);
}

// A scripted source shows how words map to characters and that biased words are drawn again.
TEST(PasswordGenerator, MapsWordsUniformlyAndRejectsTheBiasedTail) {
    const std::uint64_t limit = (std::uint64_t{1} << 32) - (std::uint64_t{1} << 32) % 62;
    std::vector<std::uint32_t> words = {
        0u,
        25u,
        26u,
        51u,
        52u,
        61u,
        static_cast<std::uint32_t>(limit),      // rejected: would favour "A"
        0xFFFFFFFFu,                            // rejected
        static_cast<std::uint32_t>(limit - 1),  // last accepted word: the last character, "9"
    };
    std::size_t next = 0;
    const std::u16string password = GeneratePasswordFrom([&] { return words.at(next++); });
    EXPECT_EQ(password, u"AZaz099");
    EXPECT_EQ(next, words.size());
}

TEST(PasswordGenerator, AlphabetHoldsEachLetterAndDigitOnce) {
    const std::set<char16_t> distinct(kPasswordAlphabet.begin(), kPasswordAlphabet.end());
    EXPECT_EQ(kPasswordAlphabet.size(), 62u);
    EXPECT_EQ(distinct.size(), 62u);
    for (char16_t c : kPasswordAlphabet) EXPECT_TRUE(IsLetterOrDigit(c));
}

}  // namespace
}  // namespace keyloft

namespace keyloft {
namespace {

TEST(PasswordGenerator, LengthAndSymbolsChooseTheAlphabet) {
    std::set<char16_t> seen;
    for (std::size_t length : {std::size_t{4}, std::size_t{20}, std::size_t{128}}) {
        for (int i = 0; i < 200; ++i) {
            const std::u16string password = GeneratePassword({.length = length, .symbols = true});
            ASSERT_EQ(password.size(), length);
            seen.insert(password.begin(), password.end());
        }
    }
    // Every printable ASCII character but the blank and "|" turns up, and nothing else.
    std::set<char16_t> expected;
    for (char16_t c = u'!'; c <= u'~'; ++c)
        if (c != u'|') expected.insert(c);
    EXPECT_EQ(seen, expected);

    const std::u16string plain = GeneratePassword({.length = 64});
    EXPECT_EQ(plain.size(), 64u);
    for (char16_t c : plain) EXPECT_TRUE(IsLetterOrDigit(c)) << static_cast<int>(c);

    EXPECT_THROW(GeneratePassword({.length = 3}), std::out_of_range);
    EXPECT_THROW(GeneratePassword({.length = 129}), std::out_of_range);
}

TEST(PasswordGenerator, SymbolAlphabetRejectsItsOwnBiasedTail) {
    const std::uint64_t limit = (std::uint64_t{1} << 32) - (std::uint64_t{1} << 32) % 93;
    std::vector<std::uint32_t> words = {62u, 92u, static_cast<std::uint32_t>(limit), 93u + 61u,
                                        static_cast<std::uint32_t>(limit - 1)};
    std::size_t next = 0;
    const std::u16string password =
        GeneratePasswordFrom({.length = 4, .symbols = true}, [&] { return words.at(next++); });
    EXPECT_EQ(password, u"!~9~");
    EXPECT_EQ(next, words.size());
}

}  // namespace
}  // namespace keyloft
