// The edits of the loaded profile: every change a user makes goes through one of these, which
// check with the rules of store/entry.h, apply the change and write the profile.

#include <utility>

#include "store/open_profile_state.h"
#include "store/profile_edits.h"
#include "store/profile_history.h"
#include "store/sealing_rule.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

EditResult Refused(std::u16string message) {
    EditResult result;
    result.refusal = std::move(message);
    return result;
}

// What an edit that arrives after forget() (work resumed after a lock) returns: nothing changed,
// nothing written, and the save reported as failed without a message.
EditResult NothingAfterForget() {
    EditResult result;
    result.save = SaveResult{};
    return result;
}

}  // namespace

// The security setup's checks on trimmed values; the record form has no escape for its separator.
std::optional<std::u16string> detail::SecurityRefusal(const SecuritySettings& s) {
    bool separator = false;
    for (const std::u16string* text : {&s.userId, &s.password, &s.confirmation, &s.pin})
        separator = separator || text->find(kFieldSeparator) != std::u16string::npos;
    for (const SecurityQuestion& pair : s.questions)
        separator = separator || pair.question.find(kFieldSeparator) != std::u16string::npos ||
                    pair.answer.find(kFieldSeparator) != std::u16string::npos;
    if (separator) return std::u16string(kSeparatorRefusedText);
    // Each failing check of the logon details replaces the message: the last one is reported.
    const char16_t* details = nullptr;
    if (s.password.empty()) details = kSpecifyPasswordText;
    if ((s.logonMode == kUserIdAndPassword || s.logonMode == kUserIdPasswordAndPin) && s.userId.empty())
        details = kSpecifyUserIdText;
    if (s.logonMode == kUserIdPasswordAndPin && s.pin.empty()) details = kSpecifyPinText;
    if (s.confirmation != s.password) details = kPasswordMismatchText;
    if (details != nullptr) return std::u16string(details);
    std::size_t questionsGiven = 0;
    for (const SecurityQuestion& pair : s.questions) {
        if (pair.question.empty() != pair.answer.empty()) return std::u16string(kQuestionOrAnswerBlankText);
        if (!pair.question.empty()) ++questionsGiven;
    }
    if ((s.answerMode == kOneAnswer || s.answerMode == kAllAnswers) && questionsGiven == 0)
        return std::u16string(kNeedOneQuestionText);
    if (s.answerMode == kTwoAnswers && questionsGiven < 2) return std::u16string(kNeedTwoQuestionsText);
    return std::nullopt;
}

namespace {

// The pairs the setup keeps: those with a question.
std::vector<SecurityQuestion> KeptQuestions(const std::vector<SecurityQuestion>& typed) {
    std::vector<SecurityQuestion> kept;
    for (const SecurityQuestion& pair : typed)
        if (!pair.question.empty()) kept.push_back(pair);
    return kept;
}

}  // namespace

ProfileEdits::ProfileEdits(OpenProfile& open) : open_(open), state_(open.state_.get()) {}

bool ProfileEdits::forgotten() const { return open_.forgotten(); }
Profile& ProfileEdits::editableProfile() { return state_->profile; }
SaveResult ProfileEdits::save() { return open_.save(); }

void ProfileEdits::setSealed(bool seal) {
    state_->seal = seal;
    state_->formChosen = true;
}
bool ProfileEdits::sealingNeedsNewPassword() const { return state_->readablePassword; }
bool ProfileEdits::keptReadable() { return ReadKeptReadable(state_->settings, state_->profilePath); }
void ProfileEdits::setKeptReadable(bool kept) {
    RememberKeptReadable(state_->settings, state_->profilePath, kept);
}

EditResult ProfileEdits::saveEdit(EditResult result) {
    result.save = save();
    return result;
}

EditResult ProfileEdits::storeEntry(std::size_t position, const TypedEntry& typed,
                                    const ExpiryDateReader& dates) {
    if (forgotten()) return NothingAfterForget();
    EditResult result;
    result.check = CheckEntry(typed, dates);
    if (!result.check.accepted()) {
        result.refusal = result.check.message;
        return result;
    }
    std::vector<Entry>& entries = editableProfile().entries;
    if (position >= 1 && position <= entries.size())
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(position - 1));
    entries.push_back(result.check.stored);
    result.position = entries.size();
    return saveEdit(std::move(result));
}

EditResult ProfileEdits::addEntry(const TypedEntry& typed, const ExpiryDateReader& dates) {
    return storeEntry(0, typed, dates);
}

EditResult ProfileEdits::changeEntry(std::size_t position, const TypedEntry& typed,
                                     const ExpiryDateReader& dates) {
    return storeEntry(position, typed, dates);
}

EditResult ProfileEdits::removeEntry(std::size_t position) {
    if (forgotten()) return NothingAfterForget();
    std::vector<Entry>& entries = editableProfile().entries;
    if (position >= 1 && position <= entries.size())
        entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(position - 1));
    return saveEdit({});
}

EditResult ProfileEdits::addCategory(std::u16string_view name) { return renameCategory(0, name); }

EditResult ProfileEdits::renameCategory(std::size_t position, std::u16string_view name) {
    if (forgotten()) return NothingAfterForget();
    CategoryList& categories = editableProfile().categories;
    if (std::optional<std::u16string> refusal = CheckCategoryName(categories, name, position))
        return Refused(std::move(*refusal));
    if (position != 0) categories.removeAt(position);
    categories.add(std::u16string(name));
    EditResult result;
    result.position = categories.size();
    return saveEdit(std::move(result));
}

EditResult ProfileEdits::removeCategory(std::size_t position) {
    if (forgotten()) return NothingAfterForget();
    editableProfile().categories.removeAt(position);
    return saveEdit({});
}

EditResult ProfileEdits::changeSecurity(const SecuritySettings& typed) {
    if (forgotten()) return NothingAfterForget();
    SecuritySettings settings = typed;
    for (std::u16string* text : {&settings.userId, &settings.password, &settings.pin, &settings.confirmation})
        *text = std::u16string(TrimBlanks(*text));
    for (SecurityQuestion& pair : settings.questions) {
        pair.question = std::u16string(TrimBlanks(pair.question));
        pair.answer = std::u16string(TrimBlanks(pair.answer));
    }
    // Boxes left empty and untouched (a sealed profile's setup shows them so) keep the password.
    if (!settings.passwordRetyped && settings.password.empty() && settings.confirmation.empty())
        settings.password = settings.confirmation = profile().password;
    if (std::optional<std::u16string> refusal = detail::SecurityRefusal(settings)) {
        EditResult result = Refused(std::move(*refusal));
        result.setupRule = *result.refusal != kSeparatorRefusedText;
        return result;
    }
    // After a logon with the answers a sealed profile does not know its password: a new one is set.
    if (!settings.passwordRetyped && profile().password.empty()) {
        EditResult result = Refused(std::u16string(kSpecifyPasswordText));
        result.setupRule = true;
        return result;
    }
    const std::vector<SecurityQuestion> kept = KeptQuestions(settings.questions);
    const std::int32_t answerMode = settings.answerMode != 0 ? settings.answerMode : profile().answerMode;
    const bool newPassword = settings.passwordRetyped && settings.password != profile().password;
    std::optional<std::u16string> notice;
    if (settings.seal) {
        const auto refused = [](std::u16string message) {
            EditResult result = Refused(std::move(message));
            result.setupRule = true;
            return result;
        };
        const SealingSecrets secrets{open_.profileName(), settings.logonMode, settings.userId,
                                     settings.passwordRetyped ? settings.password : profile().password,
                                     &kept};
        if (std::optional<std::u16string> refusal = SealingRefusal(secrets))
            return refused(std::move(*refusal));
        // A password that a readable file held opens every copy of that file: sealing starts afresh.
        if (state_->readablePassword && !newPassword) return refused(kReadablePasswordRefusal);
        const AnswerSlots slots = PlanAnswerSlots(secrets, answerMode);
        if (slots.allTogetherMode != 0 && !settings.weakAnswersAccepted) {
            EditResult result;
            result.offer = AllAnswersOffer(kept, slots);
            result.offeredAnswerMode = slots.allTogetherMode;
            return result;
        }
        if (!slots.allMade()) notice = WeakAnswersText(kept, slots, true);
    }
    Profile& profile = editableProfile();
    profile.logonMode = settings.logonMode;
    if (settings.passwordRetyped) profile.password = settings.password;
    // A new password has been in no file yet.
    if (newPassword) state_->readablePassword = false;
    profile.userId = settings.userId;
    profile.pin = settings.pin;
    profile.questions = kept;
    profile.answerMode = answerMode;
    setSealed(settings.seal);
    EditResult result;
    result.notice = std::move(notice);
    return saveEdit(std::move(result));
}

}  // namespace keyloft
