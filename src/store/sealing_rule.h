#pragma once
// What a sealed file asks of the secrets that open it: the one rule that the setup and the
// command-line tool apply before they seal a profile, and that every sealed save applies to its key
// slots. Every way into a sealed file must resist the same offline guessing: the password, and each
// answer or combination of answers that has a slot of its own, needs at least kSealingGuessesLog10
// (10^8 guesses as the strength meter counts them), with the profile's name, the user ID, the
// question texts and the other answers counted as words an attacker tries first. An answer slot is
// made only for a combination that reaches it; the logon slot always is (the password is refused
// below it).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile.h"

namespace keyloft {

// The secrets a profile would be sealed with, as they will be stored (trimmed).
struct SealingSecrets {
    std::u16string_view profileName;
    std::int32_t logonMode = kPasswordOnly;
    std::u16string_view userId;
    std::u16string_view password;
    const std::vector<SecurityQuestion>* questions = nullptr;  // null: no questions
};

// The rule's refusals. A weak password's refusal is followed by the strength meter's warning.
inline constexpr char16_t kDefaultPasswordRefusal[] =
    u"To seal the profile, choose a password of your own: the default password opens every new profile.";
inline constexpr char16_t kWeakPasswordRefusal[] =
    u"To seal the profile, choose a password that is harder to guess (strength \"Good\" or better).";
// A password that a file in the usual form held: every copy of that file gives it away.
inline constexpr char16_t kReadablePasswordRefusal[] =
    u"To seal the profile, choose a new password: the present one has been stored in the readable form of "
    u"its file, and any copy of that file (a backup, a sync engine's history, a colleague's copy) gives it "
    u"away.";

// Nullopt when a file may be sealed with this password; otherwise the message that says why not: an
// empty or default password, or one that is easy to guess (a strength below kSealingScore, with the
// strength meter's warning). Answers are not refused: those too easy to guess get no slot (below).
std::optional<std::u16string> SealingRefusal(const SealingSecrets& secrets);

// The words an attacker tries first for the password: the profile's name, the user ID the logon
// mode asks for, the question texts and the answers.
std::vector<std::u16string> KnownWords(const SealingSecrets& secrets);

// Which answer slots a sealed file of these secrets gets.
struct AnswerSlots {
    // The combinations (1-based question numbers, ascending) the answer mode asks for, and of those
    // the ones whose answers together reach the floor: only these get a slot.
    std::vector<std::vector<int>> asked;
    std::vector<std::vector<int>> made;
    // Nonzero when some are too weak and yet all the questions' answers together reach the floor:
    // the answer mode that asks for all of them (kTwoAnswers for two questions, kAllAnswers for three).
    std::int32_t allTogetherMode = 0;

    bool allMade() const { return made.size() == asked.size(); }
};
AnswerSlots PlanAnswerSlots(const SealingSecrets& secrets, std::int32_t answerMode);
// The plan for a Profile as it is, named `profileName`.
AnswerSlots PlanAnswerSlots(const Profile& profile, std::u16string_view profileName);

// What the setup and the command-line tool say when some combinations get no slot: which answers
// are too easy to guess (named by their questions) and what follows for Forgotten Logon.
// `sealed` says it of a file just saved ("The profile was sealed without them"), otherwise of the
// boxes on screen. Empty when every combination gets its slot.
std::u16string WeakAnswersText(const std::vector<SecurityQuestion>& questions, const AnswerSlots& slots,
                               bool sealed);
// The question that offers the answer mode of slots.allTogetherMode (Yes: that mode).
std::u16string AllAnswersOffer(const std::vector<SecurityQuestion>& questions, const AnswerSlots& slots);

// True while the password is still the one a new profile starts with (or empty): the setup does not
// offer sealing then.
bool IsDefaultPassword(std::u16string_view password);

// An answer as a sealed file's key slots use it: Unicode NFKC with case folding, blanks at the
// ends dropped and every run of inner blanks made one space. "  Fluffy   the CAT " and
// "fluffy the cat" give the same key.
std::u16string NormaliseAnswer(std::u16string_view answer);

}  // namespace keyloft
