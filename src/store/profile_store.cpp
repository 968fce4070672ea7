#include "store/profile_store.h"

#include <exception>
#include <memory>
#include <utility>

#include "store/error_log.h"
#include "store/profile_store_detail.h"
#include "store/secret_memory.h"
#include "store/text_convert.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kErrorLogName[] = u"KeyloftErrors.log";

}  // namespace

ProfileStore::ProfileStore(UiHost& host, FileSystem& files, SettingsStore& settings, const Clock& clock,
                           std::filesystem::path applicationFolder,
                           std::filesystem::path defaultDatabaseFolder, sealed::Limits sealingLimits)
    : state_(std::make_unique<State>(host, files, settings, clock, std::move(applicationFolder),
                                     std::move(defaultDatabaseFolder), sealingLimits)) {
    state_->owner = this;
}

ProfileStore::~ProfileStore() { forget(); }

const Profile& ProfileStore::profile() const { return state_->profile; }
Profile& ProfileStore::editableProfile() { return state_->profile; }
bool ProfileStore::forgotten() const { return state_->phase == State::Phase::Forgotten; }
const std::filesystem::path& ProfileStore::databaseFolder() const { return state_->databaseFolder; }
void ProfileStore::setDatabaseFolder(std::filesystem::path folder) {
    state_->databaseFolder = std::move(folder);
}
bool ProfileStore::holdsFile() const { return state_->held != nullptr; }
bool ProfileStore::loaded() const { return state_->loaded(); }
void ProfileStore::closeHeldFile() { state_->held.reset(); }

void ProfileStore::forget() {
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
bool ProfileStore::sealed() const { return state_->seal; }
void ProfileStore::setSealed(bool seal) {
    state_->seal = seal;
    state_->formChosen = true;
}
bool ProfileStore::sealingNeedsNewPassword() const { return state_->readablePassword; }
bool ProfileStore::answersCanOpen() const {
    const State& s = *state_;
    return !s.loaded() || !s.lockedFile || sealed::HasAnswerSlot(*s.lockedFile);
}

const std::u16string& ProfileStore::profileName() const { return state_->profileName; }

// ---------------------------------------------------------------------------------------------
// Settings and error log

bool ProfileStore::readSetting(std::u16string_view name, std::u16string& value) {
    try {
        return state_->settings.read(name, value);
    } catch (const std::exception&) {
        return false;
    }
}

bool ProfileStore::writeSetting(std::u16string_view name, std::u16string_view value) {
    try {
        return state_->settings.write(name, value);
    } catch (const std::exception&) {
        return false;
    }
}

void ProfileStore::logError(std::u16string_view operation, std::u16string_view number,
                            std::u16string_view description) {
    try {
        const std::u16string entry = ErrorLogLine(state_->clock.now(), operation, number, description);
        (void)state_->files.appendText(JoinFolder(state_->databaseFolder, kErrorLogName), Utf16ToUtf8(entry));
    } catch (...) {
        // An entry that cannot be written is lost.
    }
}

}  // namespace keyloft
