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

TEST(ConflictCopies, AMergeAddsWhatOnlyTheCopyHolds) {
    const Entry mail{u"Work", u"Mail", u"ann", u"pw1", u"", u"", u"", u""};
    const Entry bank{u"Home", u"Bank", u"ann", u"pw2", u"", u"12/27", u"", u""};
    Entry bankEdited = bank;
    bankEdited.password = u"pw3";
    const Entry shop{u"", u"Shop", u"a", u"p", u"", u"", u"", u""};
    const struct {
        const char* what;
        std::vector<Entry> profile, copy;
        std::vector<std::u16string> profileCategories, copyCategories;
        std::vector<Entry> added;
        std::vector<std::u16string> addedCategories;
    } cases[] = {
        {"the same entries", {mail, bank}, {bank, mail}, {u"Work", u"Home"}, {u"Home", u"Work"}, {}, {}},
        {"added on the other side", {mail}, {mail, shop}, {u"Work"}, {u"Work"}, {shop}, {}},
        {"edited there, removed here", {mail}, {mail, bankEdited}, {u"Work"}, {u"Work", u"Home"}, {bankEdited}, {u"Home"}},
        {"edited on both sides: both kept", {mail, bank}, {mail, bankEdited}, {}, {}, {bankEdited}, {}},
        {"removed there: nothing removed here", {mail, bank}, {mail}, {}, {}, {}, {}},
        {"categories in another letter case", {}, {}, {u"Work"}, {u"WORK", u"Travel"}, {}, {u"Travel"}},
        {"the copy's own duplicates", {}, {shop, shop}, {}, {}, {shop, shop}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MergePlan plan = PlanMerge(c.profile, c.profileCategories, c.copy, c.copyCategories);
        EXPECT_EQ(plan.entries, c.added);
        EXPECT_EQ(plan.categories, c.addedCategories);
        EXPECT_EQ(plan.empty(), c.added.empty() && c.addedCategories.empty());
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
