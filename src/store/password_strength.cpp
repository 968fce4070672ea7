#include "store/password_strength.h"

#include <sodium.h>
#include <zxcvbn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// Words that always count as weak: the program's name and the password every new profile starts with.
constexpr const char* kAlwaysWeak[] = {"keyloft", "opensesame"};

// Only this many bytes of a password are rated: the matching grows faster than the length, the
// window rates as the user types, and a longer password rates at least as well as its beginning.
constexpr std::size_t kRatedBytes = 256;

// zxcvbn-c marks a part that repeats an earlier match by adding this to the match's type.
constexpr int kRepeatedFlag = 32;

// The guesses (as log10) below which a password gets score 0, 1, 2 and 3.
constexpr double kScoreBounds[] = {3, 6, kSealingGuessesLog10, 10};
static_assert(kScoreBounds[kSealingScore - 1] == kSealingGuessesLog10);

enum class Weakness { CommonWord, LookAlikes, OwnWord, Repeats, Sequence, KeyboardRow, Date };

std::u16string_view WarningFor(Weakness weakness) {
    switch (weakness) {
        case Weakness::CommonWord:
            return u"Common words and passwords are easy to guess.";
        case Weakness::LookAlikes:
            return u"Look-alike swaps such as \"@\" for \"a\" or \"0\" for \"o\" do not make a word much "
                   u"harder to "
                   u"guess.";
        case Weakness::OwnWord:
            return u"Words that go with this profile, such as its name, the user ID, the security questions "
                   u"and answers or the default password, are easy to guess.";
        case Weakness::Repeats:
            return u"Repeats such as \"aaa\" or \"abcabc\" are easy to guess.";
        case Weakness::Sequence:
            return u"Sequences such as \"abc\" or \"6543\" are easy to guess.";
        case Weakness::KeyboardRow:
            return u"Rows of neighbouring keys such as \"qwerty\" are easy to guess.";
        case Weakness::Date:
            return u"Dates and years are easy to guess.";
    }
    return {};
}

constexpr char16_t kTooShort[] = u"Short passwords are easy to guess: add more words or characters.";

// The weakness a part of the password shows, if it is more than a run of random characters.
std::optional<Weakness> WeaknessOf(int type) {
    if (type & kRepeatedFlag) return Weakness::Repeats;
    switch (type) {
        case DICTIONARY_MATCH:
            return Weakness::CommonWord;
        case DICT_LEET_MATCH:
            return Weakness::LookAlikes;
        case USER_MATCH:
        case USER_LEET_MATCH:
            return Weakness::OwnWord;
        case REPEATS_MATCH:
            return Weakness::Repeats;
        case SEQUENCE_MATCH:
            return Weakness::Sequence;
        case SPATIAL_MATCH:
            return Weakness::KeyboardRow;
        case DATE_MATCH:
        case YEAR_MATCH:
            return Weakness::Date;
        default:
            return std::nullopt;  // random characters, or the rest of a very long password
    }
}

// UTF-8 that is zeroed when it goes.
struct SecretBytes {
    std::string bytes;
    ~SecretBytes() { Wipe(bytes); }
};

// The first kRatedBytes bytes at most, cut before a character, and up to the first NUL (which
// would end the text for the library anyway).
void CutForRating(std::string& utf8) {
    const std::size_t nul = utf8.find('\0');
    std::size_t size = std::min({utf8.size(), nul, kRatedBytes});
    while (size < utf8.size() && size > 0 && (static_cast<unsigned char>(utf8[size]) & 0xC0) == 0x80) --size;
    if (size < utf8.size()) sodium_memzero(utf8.data() + size, utf8.size() - size);
    utf8.resize(size);
}

// Blanks and ASCII punctuation part the words of a profile's own texts.
bool IsWordBreak(char16_t c) {
    return c == u' ' || c == u'\t' ||
           (c < 0x80 && c > u' ' && !(c >= u'0' && c <= u'9') && !(c >= u'a' && c <= u'z') &&
            !(c >= u'A' && c <= u'Z'));
}

struct FreeMatches {
    void operator()(ZxcMatch_t* info) const { ZxcvbnFreeInfo(info); }
};

// The parts that make the password weak, the longest first; at most two different ones.
std::u16string WarningFrom(const ZxcMatch_t* matches) {
    struct Part {
        Weakness weakness;
        int length;
        double entropy;
    };
    std::vector<Part> parts;
    for (const ZxcMatch_t* m = matches; m != nullptr; m = m->Next) {
        if (const std::optional<Weakness> weakness = WeaknessOf(static_cast<int>(m->Type))) {
            parts.push_back({*weakness, m->Length, m->Entrpy});
        }
    }
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) {
        return a.length != b.length ? a.length > b.length : a.entropy < b.entropy;
    });
    std::u16string warning;
    std::vector<Weakness> said;
    for (const Part& part : parts) {
        if (said.size() == 2) break;
        if (std::find(said.begin(), said.end(), part.weakness) != said.end()) continue;
        said.push_back(part.weakness);
        if (!warning.empty()) warning += u' ';
        warning += WarningFor(part.weakness);
    }
    return warning.empty() ? std::u16string(kTooShort) : warning;
}

}  // namespace

PasswordStrength RatePassword(std::u16string_view password, const std::vector<std::u16string>& ownWords) {
    SecretBytes utf8{Utf16ToUtf8(password)};
    CutForRating(utf8.bytes);

    // The profile's own words, each of their parts between blanks and punctuation, and the parts
    // joined by blanks ("Pet's name?" gives "Pet", "s", "name" and "Pet s name").
    std::vector<std::string> words(std::begin(kAlwaysWeak), std::end(kAlwaysWeak));
    for (const std::u16string& own : ownWords) {
        const std::u16string_view whole = TrimBlanks(own);
        if (whole.empty()) continue;
        words.push_back(Utf16ToUtf8(whole));
        std::u16string joined;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= whole.size(); ++i) {
            if (i < whole.size() && !IsWordBreak(whole[i])) continue;
            if (i > start) {
                const std::u16string_view part = whole.substr(start, i - start);
                if (part.size() < whole.size()) words.push_back(Utf16ToUtf8(part));
                if (!joined.empty()) joined += u' ';
                joined += part;
            }
            start = i + 1;
        }
        if (!joined.empty() && joined != whole) words.push_back(Utf16ToUtf8(joined));
        Wipe(joined);
    }
    std::vector<const char*> dictionary;
    for (const std::string& word : words) {
        if (word.find('\0') == std::string::npos) dictionary.push_back(word.c_str());
    }
    dictionary.push_back(nullptr);

    ZxcMatch_t* info = nullptr;
    const double bits = ZxcvbnMatch(utf8.bytes.c_str(), dictionary.data(), &info);
    const std::unique_ptr<ZxcMatch_t, FreeMatches> matches(info);
    for (std::string& word : words) Wipe(word);

    PasswordStrength strength;
    strength.guessesLog10 = std::max(0.0, bits) * std::log10(2.0);
    strength.score =
        static_cast<int>(std::count_if(std::begin(kScoreBounds), std::end(kScoreBounds),
                                       [&](double bound) { return strength.guessesLog10 >= bound; }));
    if (strength.score < kSealingScore) strength.warning = WarningFrom(matches.get());
    return strength;
}

std::u16string_view StrengthWord(int score) {
    constexpr std::u16string_view kWords[] = {u"Very weak", u"Weak", u"Fair", u"Good", u"Strong"};
    return kWords[std::clamp(score, 0, 4)];
}

}  // namespace keyloft
