#include "store/sealing_rule.h"

#include <sodium.h>
#include <utf8proc.h>

#include <cstdlib>
#include <memory>

#include "store/password_strength.h"
#include "store/profile_store.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// Text that held a secret: zeroed before it goes.
template <typename Text>
void WipeText(Text& text) {
    if (!text.empty()) sodium_memzero(text.data(), text.size() * sizeof(text[0]));
    text.clear();
}

bool IsDefault(std::u16string_view text) { return NormaliseAnswer(text) == kDefaultLogonValue; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

std::u16string NormaliseAnswer(std::u16string_view answer) {
    std::string bytes = Utf16ToUtf8(answer);
    utf8proc_uint8_t* mapped = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(bytes.data()), static_cast<utf8proc_ssize_t>(bytes.size()),
                     &mapped,
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
    WipeText(bytes);
    std::u16string result = Utf8ToUtf16(folded);
    WipeText(folded);
    return result;
}

bool SecretsAreDefaults(std::u16string_view password, const std::vector<SecurityQuestion>& questions) {
    const std::u16string_view trimmed = TrimBlanks(password);
    if (!trimmed.empty() && trimmed != kDefaultLogonValue) return false;
    for (const SecurityQuestion& pair : questions) {
        if (!TrimBlanks(pair.answer).empty() && !IsDefault(pair.answer)) return false;
    }
    return true;
}

std::optional<std::u16string> SealingRefusal(const SealingSecrets& secrets) {
    const std::u16string_view password = TrimBlanks(secrets.password);
    if (password.empty() || password == kDefaultLogonValue) return std::u16string(kDefaultPasswordRefusal);
    std::vector<std::u16string> ownWords{std::u16string(secrets.profileName)};
    if (secrets.logonMode != kPasswordOnly && !secrets.userId.empty()) ownWords.emplace_back(secrets.userId);
    if (secrets.questions != nullptr) {
        for (const SecurityQuestion& pair : *secrets.questions) {
            if (IsDefault(pair.answer)) return std::u16string(kDefaultAnswerRefusal);
            if (!pair.answer.empty()) ownWords.push_back(pair.answer);
        }
    }
    const PasswordStrength strength = RatePassword(password, ownWords);
    for (std::u16string& word : ownWords) WipeText(word);
    if (strength.score >= kSealingScore) return std::nullopt;
    std::u16string message = kWeakPasswordRefusal;
    if (!strength.warning.empty()) message += u" " + strength.warning;
    return message;
}

}  // namespace keyloft
