// Conflict copies of the loaded profile (store/conflict_copies.h): found, read once each, planned
// by one planner for the preview and the merge, merged with one save, then removed.
#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "store/conflict_copies.h"
#include "store/open_profile_state.h"
#include "store/profile_edits.h"
#include "store/secret_memory.h"

namespace keyloft {
using namespace detail;

namespace {

// The conflict copies of the profile in the folder, in listing order, whatever bears their names.
std::vector<FolderEntry> CopiesOf(FileSystem& files, const std::filesystem::path& folder,
                                  const std::u16string& profileName) {
    std::vector<FolderEntry> copies;
    for (FolderEntry& entry : files.listDatNames(folder)) {
        std::optional<std::u16string> profile;
        try {
            profile = ProfileOfConflictCopy(entry.name.u16string());
        } catch (const std::exception&) {
            continue;  // a name that is not valid text
        }
        if (profile == profileName) copies.push_back(std::move(entry));
    }
    return copies;
}

}  // namespace

struct ConflictMerge::Reads {
    struct Copy {
        std::u16string fileName;
        ConflictCopyRead read;
    };
    std::vector<Copy> copies;  // in listing order, as copies_
    bool includeUnproven = false;
    std::filesystem::path profilePath;  // of the session that read them
    std::uint64_t session = 0;
};

ConflictMerge::ConflictMerge() = default;
ConflictMerge::~ConflictMerge() = default;
ConflictMerge::ConflictMerge(ConflictMerge&&) noexcept = default;
ConflictMerge& ConflictMerge::operator=(ConflictMerge&&) noexcept = default;

std::size_t ConflictMerge::copiesMerged() const {
    return static_cast<std::size_t>(std::count_if(
        copies_.begin(), copies_.end(), [](const ConflictCopyInfo& c) { return c.problem.empty(); }));
}

std::size_t ConflictMerge::unprovenCopies() const {
    return static_cast<std::size_t>(
        std::count_if(copies_.begin(), copies_.end(), [](const ConflictCopyInfo& c) { return c.unproven; }));
}

ConflictMerge ProfileEdits::readConflictCopies(const std::vector<std::u16string>& fileNames) {
    State& s = *state_;
    ConflictMerge merge;
    merge.reads_ = std::make_unique<ConflictMerge::Reads>();
    if (s.phase != State::Phase::LoggedOn || s.profileName.empty()) return merge;
    merge.reads_->profilePath = s.profilePath;
    merge.reads_->session = s.openNumber;
    for (const FolderEntry& entry : CopiesOf(s.files, s.folder.databaseFolder(), s.profileName)) {
        const std::u16string fileName = entry.name.u16string();
        if (!fileNames.empty() && std::find(fileNames.begin(), fileNames.end(), fileName) == fileNames.end())
            continue;
        merge.reads_->copies.push_back(
            {fileName, ReadConflictCopy(s.files, s.folder.pathOf(fileName), entry.kind, s.profile,
                                        s.sealedKeys.get(), sealed::LoadingFloor(s.sealingLimits))});
    }
    planMerge(merge);
    return merge;
}

void ProfileEdits::includeUnprovenCopies(ConflictMerge& merge) {
    if (!merge.reads_) return;
    merge.reads_->includeUnproven = true;
    planMerge(merge);
}

// The plan of the copies read, against the profile as it is now.
void ProfileEdits::planMerge(ConflictMerge& merge) const {
    const Profile& profile = state_->profile;
    MergePlanner planner(profile.entries, profile.categories);
    merge.copies_.clear();
    merge.entries_ = merge.categories_ = 0;
    for (const ConflictMerge::Reads::Copy& copy : merge.reads_->copies) {
        ConflictCopyInfo info{copy.fileName, copy.read.problem, false, 0, 0};
        if (info.problem.empty() && !copy.read.proven) {
            info.unproven = true;
            if (!merge.reads_->includeUnproven) info.problem = kCopyUnprovenText;
        }
        if (info.problem.empty()) {
            const MergePlan plan = planner.add(*copy.read.profile);
            info.newEntries = plan.entries.size();
            info.newCategories = plan.categories.size();
            merge.entries_ += info.newEntries;
            merge.categories_ += info.newCategories;
        }
        merge.copies_.push_back(std::move(info));
    }
}

MergeResult ProfileEdits::mergeConflictCopies(ConflictMerge& merge) {
    State& s = *state_;
    MergeResult result;
    result.save.outcome = SaveOutcome::Saved;
    if (!merge.reads_ || s.phase != State::Phase::LoggedOn || merge.reads_->session != s.openNumber ||
        merge.reads_->profilePath != s.profilePath) {
        return result;
    }
    planMerge(merge);
    std::vector<ConflictMerge::Reads::Copy*> taken;
    {
        // The planner looks at the profile's entries where they are: what is added is gathered
        // first and put in once the plan is made.
        MergePlanner planner(s.profile.entries, s.profile.categories);
        std::vector<Entry> entries;
        std::vector<std::u16string> categories;
        for (std::size_t i = 0; i < merge.copies_.size(); ++i) {
            ConflictMerge::Reads::Copy& copy = merge.reads_->copies[i];
            if (!merge.copies_[i].problem.empty()) {
                result.leftAlone.push_back(merge.copies_[i]);
                continue;
            }
            const MergePlan plan = planner.add(*copy.read.profile);
            for (const Entry* entry : plan.entries) entries.push_back(*entry);
            categories.insert(categories.end(), plan.categories.begin(), plan.categories.end());
            s.versionFloor = s.versionFloor ? NewerOf(*s.versionFloor, copy.read.version) : copy.read.version;
            taken.push_back(&copy);
        }
        result.entriesAdded = entries.size();
        result.categoriesAdded = categories.size();
        Profile& profile = editableProfile();
        for (std::u16string& name : categories) profile.categories.add(std::move(name));
        for (Entry& entry : entries) profile.entries.push_back(std::move(entry));
    }
    if (taken.empty()) {
        s.versionFloor.reset();
        return result;
    }
    if (result.entriesAdded > 0 || result.categoriesAdded > 0) {
        result.save = save();
        s.versionFloor.reset();
        if (!result.save.saved()) {
            result.entriesAdded = result.categoriesAdded = 0;
            return result;
        }
    }
    s.versionFloor.reset();
    for (ConflictMerge::Reads::Copy* copy : taken) {
        const std::filesystem::path path = s.folder.pathOf(copy->fileName);
        // Only the file that was read: not one that something put in its place meanwhile.
        const bool same = copy->read.held && s.files.namesHeldFileItself(path, *copy->read.held);
        if (!same || s.files.remove(path).failed()) {
            result.leftAlone.push_back(
                ConflictCopyInfo{copy->fileName, u"it could not be removed", false, 0, 0});
        } else {
            result.merged.push_back(copy->fileName);
        }
        copy->read.held.reset();
    }
    return result;
}

}  // namespace keyloft
