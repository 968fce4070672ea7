// Stand-in for the profile storage while it is being built on its own branch: the profile is
// held in memory and "written" to a snapshot that ReadFromFile reads back. Removed when the
// real storage is merged (MakeTestStore then opens a real profile on the temporary folder).
#include <algorithm>

#include "entries_test_support.h"
#include "store/profile.h"
#include "store/profile_store.h"

namespace keyloft {

class FileSystem {
public:
    virtual ~FileSystem() = default;
};

std::u16string CategoryList::Item::name() const {
    const auto bar = record.find(u'|');
    return bar == std::u16string::npos ? std::u16string() : record.substr(bar + 1);
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return folded;
}

bool CategoryList::add(std::u16string key, std::u16string record) {
    if (containsKey(key)) return false;
    items_.push_back({std::move(key), std::move(record)});
    return true;
}

bool CategoryList::containsKey(std::u16string_view key) const {
    const std::u16string folded = FoldCase(key);
    return std::any_of(items_.begin(), items_.end(), [&](const Item& i) { return FoldCase(i.key) == folded; });
}

void CategoryList::removeAt(std::size_t position) { items_.erase(items_.begin() + static_cast<long>(position - 1)); }

struct ProfileStore::State {
    UiHost& host;
    Profile profile;
    Profile disk;
    std::u16string name = u"test";
};

ProfileStore::ProfileStore(UiHost& host, FileSystem&, SettingsStore&, const Clock&, std::filesystem::path)
    : state_(std::make_unique<State>(State{host, {}, {}, u"test"})) {}
ProfileStore::~ProfileStore() = default;
Profile& ProfileStore::profile() { return state_->profile; }
const Profile& ProfileStore::profile() const { return state_->profile; }
SaveOutcome ProfileStore::WriteToFile() {
    ++state_->profile.version;
    state_->disk = state_->profile;
    return SaveOutcome::Saved;
}
void ProfileStore::ReadFromFile(bool, std::u16string_view) { state_->profile = state_->disk; }
void ProfileStore::LogError(std::u16string_view, std::u16string_view, std::u16string_view) {}

namespace testing {

namespace {
class NoSettings : public SettingsStore {
public:
    bool read(std::u16string_view, std::u16string&) override { return false; }
    bool write(std::u16string_view, std::u16string_view) override { return false; }
};
}  // namespace

std::unique_ptr<ProfileStore> MakeTestStore(UiHost& host, const Clock& clock, const std::filesystem::path& folder) {
    static FileSystem files;
    static NoSettings settings;
    return std::make_unique<ProfileStore>(host, files, settings, clock, folder);
}

}  // namespace testing
}  // namespace keyloft
