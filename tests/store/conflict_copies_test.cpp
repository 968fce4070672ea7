// The copies that file-sync engines leave beside a profile when two machines changed it at once.
#include <gtest/gtest.h>

#include "store/conflict_copies.h"
#include "store_fixture.h"

namespace keyloft::testing {
namespace {

TEST(ConflictCopies, EachEnginesFormIsRecognisedAndNothingElse) {
    const struct {
        const char16_t* fileName;
        const char16_t* profile;  // nullptr: not a conflict copy
    } cases[] = {
        // Syncthing
        {u"Team.sync-conflict-20261209-101500-ABCDEF1.dat", u"Team"},
        {u"My.Work.sync-conflict-20261209-101500-ABCDEF1.dat", u"My.Work"},
        // Dropbox
        {u"Team (conflicted copy 2026-12-09).dat", u"Team"},
        {u"Team (Ann's conflicted copy 2026-12-09).dat", u"Team"},
        // Nextcloud and ownCloud clients
        {u"Team (conflict 2026-12-09-101500).dat", u"Team"},
        {u"Team (conflicted copy 2026-12-09 101500).dat", u"Team"},
        {u"Team_conflict-20261209-101500.dat", u"Team"},
        {u"Team.sync-conflict-20261209-101500-ABCDEF1.DAT", u"Team"},
        // Profiles and other files
        {u"Team.dat", nullptr},
        {u"Team (work).dat", nullptr},
        {u"Team (conflict).dat", nullptr},
        {u"My_conflict-.dat", nullptr},
        {u".sync-conflict-20261209-101500-ABCDEF1.dat", nullptr},
        {u"Team.sync-conflict-20261209-101500-ABCDEF1.dat.bak", nullptr},
        {u"Team.sync-conflict-20261209-101500-ABCDEF1.tmp", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fileName, c.fileName + std::char_traits<char16_t>::length(c.fileName)));
        const std::optional<std::u16string> profile = ProfileOfConflictCopy(c.fileName);
        if (c.profile == nullptr) {
            EXPECT_FALSE(profile.has_value());
        } else {
            EXPECT_EQ(profile, std::u16string(c.profile));
        }
    }
}

TEST_F(StoreTest, TheProfileListShowsEachProfileOnceBesideItsConflictCopies) {
    for (const char* name : {"Team.dat", "Team.sync-conflict-20261209-101500-ABCDEF1.dat",
                             "Team (Ann's conflicted copy 2026-12-09).dat", "Home.dat", "Home.old.dat"}) {
        TempFolder::writeFile(database / name, "");
    }
    Instance& a = startInstance();
    EXPECT_EQ(a.store->ListProfiles(), (std::vector<std::u16string>{u"Home", u"Team"}));
    EXPECT_EQ(a.store->ProfileNames(), (std::vector<std::u16string>{u"Home", u"Team"}));
}

}  // namespace
}  // namespace keyloft::testing
