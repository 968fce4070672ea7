#include "store/sealing_rule.h"

#include <sodium.h>
#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "store/password_strength.h"
#include "store/profile_results.h"
#include "store/sealed_profile.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

std::u16string NormaliseAnswer(std::u16string_view answer) {
    std::string bytes = Utf16ToUtf8(answer);
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(bytes.data()),
                     static_cast<utf8proc_ssize_t>(bytes.size()), &mapped,
                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_COMPAT |
                                                    UTF8PROC_CASEFOLD));
    std::string folded;
    if (length >= 0 && mapped != nullptr) {
        folded.reserve(static_cast<std::size_t>(length));
        bool blank = false;
        for (utf8proc_ssize_t i = 0; i < length; ++i) {
            const char c = static_cast<char>(mapped[i]);
            if (IsBlank(c)) {
                blank = true;
                continue;
            }
            if (blank && !folded.empty()) folded.push_back(' ');
            blank = false;
            folded.push_back(c);
        }
        sodium_memzero(mapped, static_cast<std::size_t>(length));
    }
    std::free(mapped);
    Wipe(bytes);
    std::u16string result = Utf8ToUtf16(folded);
    Wipe(folded);
    return result;
}

namespace {

// The profile's own words every secret is rated against: its name, the user ID the logon mode asks
// for and the question texts.
std::vector<std::u16string> ProfileWords(const SealingSecrets& secrets) {
    std::vector<std::u16string> words{std::u16string(secrets.profileName)};
    if (secrets.logonMode != kPasswordOnly && !secrets.userId.empty()) words.emplace_back(secrets.userId);
    if (secrets.questions != nullptr) {
        for (const SecurityQuestion& pair : *secrets.questions) {
            if (!pair.question.empty()) words.push_back(pair.question);
        }
    }
    return words;
}

// "\"A\"", "\"A\" and \"B\"", "\"A\", \"B\" and \"C\"".
std::u16string QuotedList(const std::vector<std::u16string>& items) {
    std::u16string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? u" and " : u", ";
        text += u"\"" + items[i] + u"\"";
    }
    return text;
}

std::u16string QuestionOf(const std::vector<SecurityQuestion>& questions, int number) {
    const auto i = static_cast<std::size_t>(number - 1);
    return i < questions.size() ? questions[i].question : std::u16string();
}

// Which answers are too easy to guess, one sentence for each mode's way of asking.
std::u16string WeakSentences(const std::vector<SecurityQuestion>& questions, const AnswerSlots& slots) {
    std::vector<std::vector<int>> weak;
    for (const std::vector<int>& combination : slots.asked) {
        if (std::find(slots.made.begin(), slots.made.end(), combination) == slots.made.end())
            weak.push_back(combination);
    }
    if (weak.empty()) return {};
    if (weak.front().size() == 1) {
        std::vector<std::u16string> named;
        for (const std::vector<int>& combination : weak)
            named.push_back(QuestionOf(questions, combination.front()));
        return named.size() == 1
                   ? u"The answer to " + QuotedList(named) + u" is too easy to guess to open the sealed file."
                   : u"The answers to " + QuotedList(named) +
                         u" are each too easy to guess to open the sealed file.";
    }
    if (weak.front().size() == 2 && weak.size() > 1 && weak.size() == slots.asked.size())
        return u"Any two of the answers are too easy to guess together to open the sealed file.";
    std::u16string text;
    for (const std::vector<int>& combination : weak) {
        std::vector<std::u16string> named;
        for (const int number : combination) named.push_back(QuestionOf(questions, number));
        if (!text.empty()) text += u' ';
        text += u"The answers to " + QuotedList(named) +
                u" are too easy to guess together to open the sealed file.";
    }
    return text;
}

}  // namespace

std::vector<std::u16string> KnownWords(const SealingSecrets& secrets) {
    std::vector<std::u16string> words = ProfileWords(secrets);
    if (secrets.questions != nullptr) {
        for (const SecurityQuestion& pair : *secrets.questions) {
            if (!pair.answer.empty()) words.push_back(pair.answer);
        }
    }
    return words;
}

bool IsDefaultPassword(std::u16string_view password) {
    const std::u16string_view trimmed = TrimBlanks(password);
    return trimmed.empty() || trimmed == kDefaultLogonValue;
}

std::optional<std::u16string> SealingRefusal(const SealingSecrets& secrets) {
    const std::u16string_view password = TrimBlanks(secrets.password);
    if (IsDefaultPassword(password)) return std::u16string(kDefaultPasswordRefusal);
    std::vector<std::u16string> ownWords = KnownWords(secrets);
    const PasswordStrength strength = RatePassword(password, ownWords);
    Wipe(ownWords);
    if (strength.score >= kSealingScore) return std::nullopt;
    std::u16string message = kWeakPasswordRefusal;
    if (!strength.warning.empty()) message += u" " + strength.warning;
    return message;
}

AnswerSlots PlanAnswerSlots(const SealingSecrets& secrets, std::int32_t answerMode) {
    AnswerSlots slots;
    const std::size_t count = secrets.questions != nullptr ? secrets.questions->size() : 0;
    slots.asked = sealed::AnswerCombinations(answerMode, count);
    const std::size_t rows = std::min<std::size_t>(count, 3);
    if (rows == 0) return slots;

    // Each answer's guesses (log10), the other answers counted as known words; an empty answer
    // never opens anything. A combination needs as many guesses as its answers together.
    std::vector<std::u16string> answers;
    for (std::size_t i = 0; i < rows; ++i) answers.push_back(NormaliseAnswer((*secrets.questions)[i].answer));
    std::vector<std::optional<double>> guesses(rows);
    for (std::size_t i = 0; i < rows; ++i) {
        if (answers[i].empty()) continue;
        std::vector<std::u16string> known = ProfileWords(secrets);
        for (std::size_t j = 0; j < rows; ++j) {
            if (j != i && !answers[j].empty()) known.push_back(answers[j]);
        }
        guesses[i] = RatePassword(answers[i], known).guessesLog10;
        Wipe(known);
    }
    Wipe(answers);
    const auto reaches = [&guesses](const std::vector<int>& combination) {
        double total = 0;
        for (const int number : combination) {
            const std::optional<double>& g = guesses[static_cast<std::size_t>(number - 1)];
            if (!g) return false;
            total += *g;
        }
        return total >= kSealingGuessesLog10;
    };
    for (const std::vector<int>& combination : slots.asked) {
        if (reaches(combination)) slots.made.push_back(combination);
    }
    const std::int32_t together = rows == 3 ? kAllAnswers : rows == 2 ? kTwoAnswers : 0;
    std::vector<int> all;
    for (std::size_t i = 0; i < rows; ++i) all.push_back(static_cast<int>(i) + 1);
    if (!slots.allMade() && together != 0 && together != answerMode && reaches(all))
        slots.allTogetherMode = together;
    return slots;
}

AnswerSlots PlanAnswerSlots(const Profile& profile, std::u16string_view profileName) {
    return PlanAnswerSlots(
        {profileName, profile.logonMode, profile.userId, profile.password, &profile.questions},
        profile.answerMode);
}

std::u16string WeakAnswersText(const std::vector<SecurityQuestion>& questions, const AnswerSlots& slots,
                               bool sealed) {
    std::u16string text = WeakSentences(questions, slots);
    if (text.empty()) return text;
    if (sealed) {
        text += slots.made.empty()
                    ? u" The profile was sealed without them: Forgotten Logon cannot open the sealed "
                      u"file until stronger answers are set."
                    : u" The profile was sealed without them: until stronger answers are set, "
                      u"Forgotten Logon opens the sealed file only with the other answers.";
        return text;
    }
    text += slots.made.empty()
                ? u" Forgotten Logon cannot open the sealed file until stronger answers are set."
                : u" Until stronger answers are set, Forgotten Logon opens the sealed file only "
                  u"with the other answers.";
    if (slots.allTogetherMode == kAllAnswers)
        text += u" All three answers together are hard enough to guess: choose \"All Answers\".";
    if (slots.allTogetherMode == kTwoAnswers)
        text += u" Both answers together are hard enough to guess: choose \"Two Answers\".";
    return text;
}

std::u16string AllAnswersOffer(const std::vector<SecurityQuestion>& questions, const AnswerSlots& slots) {
    std::u16string text = WeakSentences(questions, slots);
    if (slots.allTogetherMode == kAllAnswers)
        text +=
            u" All three answers together are hard enough to guess. Choose \"All Answers\", so that "
            u"Forgotten "
            u"Logon asks for all three?";
    if (slots.allTogetherMode == kTwoAnswers)
        text +=
            u" Both answers together are hard enough to guess. Choose \"Two Answers\", so that Forgotten "
            u"Logon "
            u"asks for both?";
    return text;
}

}  // namespace keyloft
