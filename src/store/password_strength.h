#pragma once
// How hard a password is to guess, on the 0 to 4 scale that password meters commonly use, with a
// short plain-English hint at what makes it weak. The estimate comes from zxcvbn-c: it finds common
// passwords and words, names, keyboard rows, repeats, sequences and dates, and counts the guesses
// an attacker who tries those first would need.

#include <string>
#include <string_view>
#include <vector>

namespace keyloft {

struct PasswordStrength {
    // 0: under a thousand guesses, 1: under a million, 2: under 10^8, 3: under 10^10, 4: more.
    int score = 0;
    double guessesLog10 = 0;  // log10 of the estimated number of guesses
    // What makes the password weak, in one or two short sentences; empty from score 3 on.
    std::u16string warning;
};

// Rates a password. `ownWords` are words that go with this profile (its name, the user ID, the
// answers): a password built from them counts as weak. The program's name and the default
// password always do.
PasswordStrength RatePassword(std::u16string_view password, const std::vector<std::u16string>& ownWords = {});

// A word for a score, for a strength bar: "Very weak", "Weak", "Fair", "Good", "Strong".
std::u16string_view StrengthWord(int score);

// Sealing asks for at least this score: at least 10^kSealingGuessesLog10 guesses.
inline constexpr int kSealingScore = 3;
inline constexpr double kSealingGuessesLog10 = 8;

}  // namespace keyloft
