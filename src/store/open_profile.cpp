// The open profile's state: its life, what it holds and forget().
#include "store/open_profile.h"

#include <memory>
#include <utility>

#include "store/open_profile_state.h"
#include "store/secret_memory.h"

namespace keyloft {
using namespace detail;

OpenProfile::OpenProfile(ProfileFolder& folder, UiHost& host, FileSystem& files, SettingsStore& settings,
                         const Clock& clock, sealed::Limits sealingLimits)
    : state_(std::make_unique<State>(folder, host, files, settings, clock, sealingLimits)) {}

OpenProfile::~OpenProfile() { forget(); }

const Profile& OpenProfile::profile() const { return state_->profile; }
bool OpenProfile::forgotten() const { return state_->phase == State::Phase::Forgotten; }
bool OpenProfile::holdsFile() const { return state_->held != nullptr; }
bool OpenProfile::loaded() const { return state_->loaded(); }
void OpenProfile::closeHeldFile() { state_->held.reset(); }

void OpenProfile::forget() {
    State& s = *state_;
    Wipe(s.profile);
    s.sealedKeys.reset();
    s.lockedFile.reset();
    s.held.reset();
    if (!s.ended()) s.phase = State::Phase::Forgotten;
    s.awaiting = State::Awaiting::Nothing;
    s.fingerprint.reset();
    s.stamp.reset();
    ++s.openNumber;
}
bool OpenProfile::sealed() const { return state_->seal; }
bool OpenProfile::answersCanOpen() const {
    const State& s = *state_;
    return !s.loaded() || !s.lockedFile || sealed::HasAnswerSlot(*s.lockedFile);
}

const std::u16string& OpenProfile::profileName() const { return state_->profileName; }

void OpenProfile::logError(std::u16string_view operation, std::u16string_view number,
                           std::u16string_view description) {
    state_->folder.logError(operation, number, description);
}

}  // namespace keyloft
