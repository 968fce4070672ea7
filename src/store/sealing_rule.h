#pragma once
// What a sealed file asks of the secrets that open it: the one rule that the setup and the
// command-line tool apply before they seal a profile, and the form answers take before a key is
// made from them.

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
inline constexpr char16_t kDefaultAnswerRefusal[] =
    u"To seal the profile, give every security question an answer of your own: \"opensesame\" is the "
    u"answer every new profile starts with.";
inline constexpr char16_t kWeakPasswordRefusal[] =
    u"To seal the profile, choose a password that is harder to guess (strength \"Good\" or better).";

// Nullopt when a file may be sealed with these secrets; otherwise the message that says why not:
// an empty or default password, an answer equal to the default, or a password that is easy to
// guess (a strength below kSealingScore, with the strength meter's warning).
std::optional<std::u16string> SealingRefusal(const SealingSecrets& secrets);

// True while the password and every answer are still the ones a new profile starts with (or
// empty): the setup does not offer sealing then.
bool SecretsAreDefaults(std::u16string_view password, const std::vector<SecurityQuestion>& questions);

// An answer as a sealed file's key slots use it: Unicode NFKC with case folding, blanks at the
// ends dropped and every run of inner blanks made one space. "  Fluffy   the CAT " and
// "fluffy the cat" give the same key.
std::u16string NormaliseAnswer(std::u16string_view answer);

}  // namespace keyloft
