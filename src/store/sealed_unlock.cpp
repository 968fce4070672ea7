#include "store/sealed_unlock.h"

#include <utility>

#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// The slots a key found with `before` opens in `now` as well: the same logon mode and slots.
bool SameSlots(const sealed::SealedFile& before, const sealed::SealedFile& now, bool answers) {
    if (now.logonMode != before.logonMode) return false;
    if (!answers) return sealed::SameLogonSlot(before.keySlots, now.keySlots);
    if (now.keySlots.size() != before.keySlots.size()) return false;
    for (std::size_t i = 0; i < now.keySlots.size(); ++i) {
        const sealed::Slot& a = before.keySlots[i];
        const sealed::Slot& b = now.keySlots[i];
        if (a.label != b.label || a.salt != b.salt || a.nonce != b.nonce || a.wrapped != b.wrapped ||
            a.limits.ops != b.limits.ops || a.limits.mem != b.limits.mem)
            return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<SealedUnlock> SealedUnlock::prepare(OpenProfile& open, const LogonDetails& typed) {
    std::optional<sealed::SealedFile> file = open.loadedSealedFile();
    if (!file) return nullptr;
    std::unique_ptr<SealedUnlock> unlock(new SealedUnlock);
    unlock->file_ = std::move(*file);
    unlock->typed_ = typed;
    unlock->trimmed_ = {std::u16string(TrimBlanks(typed.userId)), std::u16string(TrimBlanks(typed.password)),
                        std::u16string(TrimBlanks(typed.pin))};
    open.closeHeldFile();
    return unlock;
}

std::unique_ptr<SealedUnlock> SealedUnlock::prepare(OpenProfile& open,
                                                    const std::vector<std::u16string>& typedAnswers) {
    std::optional<sealed::SealedFile> file = open.loadedSealedFile();
    if (!file) return nullptr;
    std::unique_ptr<SealedUnlock> unlock(new SealedUnlock);
    unlock->file_ = std::move(*file);
    unlock->withAnswers_ = true;
    for (const std::u16string& answer : typedAnswers) unlock->answers_.emplace_back(TrimBlanks(answer));
    open.closeHeldFile();
    return unlock;
}

SealedUnlock::~SealedUnlock() {
    for (std::u16string* text :
         {&typed_.userId, &typed_.password, &typed_.pin, &trimmed_.userId, &trimmed_.password, &trimmed_.pin})
        Wipe(*text);
    Wipe(answers_);
}

void SealedUnlock::derive() {
    result_ = withAnswers_ ? sealed::UnwrapWithAnswers(file_, answers_, dataKey_)
                           : sealed::UnwrapWithLogon(file_, trimmed_, dataKey_);
}

LogonOutcome SealedUnlock::finish(OpenProfile& open) {
    if (!open.loaded()) return LogonOutcome::Incorrect;
    const std::optional<sealed::SealedFile> now = open.loadedSealedFile();
    if (now && result_ == sealed::Unwrap::Opened && SameSlots(file_, *now, withAnswers_))
        return open.logOnWithKey(dataKey_, withAnswers_ ? nullptr : &trimmed_);
    return withAnswers_ ? open.logOnWithAnswers(answers_) : open.logOn(typed_);
}

}  // namespace keyloft
