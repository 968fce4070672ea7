#pragma once
// The logon of a sealed profile in three steps, the same for the window and the tool, so that the
// slow step (Argon2id, about a second) holds up neither the caller's thread nor the colleagues who
// share the folder: prepare copies the loaded sealed file and the trimmed typed values and lets go
// of the file; derive makes the data key from them, touching nothing else (any thread may run it);
// finish, once the caller has opened the profile again, opens its body with that key while the
// file's slots are still those the key came from, and otherwise tries what was typed as the logon
// step always tries it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/open_profile.h"
#include "store/sealed_profile.h"

namespace keyloft {

class SealedUnlock {
  public:
    // Null when the loaded file is in the usual form or nothing is loaded: the logon step is then
    // OpenProfile::logOn or logOnWithAnswers, at once.
    static std::unique_ptr<SealedUnlock> prepare(OpenProfile& open, const LogonDetails& typed);
    static std::unique_ptr<SealedUnlock> prepare(OpenProfile& open,
                                                 const std::vector<std::u16string>& typedAnswers);
    ~SealedUnlock();
    SealedUnlock(const SealedUnlock&) = delete;
    SealedUnlock& operator=(const SealedUnlock&) = delete;

    void derive();
    // After derive: what was typed is refused by the file it was given (no need to open it again).
    bool refused() const { return result_ == sealed::Unwrap::Refused; }
    // After the caller opened the profile again (OpenProfile::openProfile, holding its file).
    LogonOutcome finish(OpenProfile& open);

  private:
    SealedUnlock() = default;

    sealed::SealedFile file_;
    bool withAnswers_ = false;
    LogonDetails typed_;  // as typed: the logon step trims them again
    sealed::LogonValues trimmed_;
    std::vector<std::u16string> answers_;  // trimmed
    sealed::Key dataKey_;
    sealed::Unwrap result_ = sealed::Unwrap::NoSlot;
};

}  // namespace keyloft
