// The copies that file-sync engines leave beside a profile when two machines changed it at once.
#include <gtest/gtest.h>

#include <algorithm>

#include "store/conflict_copies.h"
#include "store/sealed_profile.h"
#include "store_fixture.h"
#include "support/record_values.h"

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
        {u"Team (Ann\u2019s conflicted copy 2026-12-09).dat", u"Team"},
        // Profiles and other files: only the engines' own marks count, dates and devices as they
        // write them, so no name a user may give a profile is taken for a copy.
        {u"Team.dat", nullptr},
        {u"Team (work).dat", nullptr},
        {u"Team (conflict).dat", nullptr},
        {u"Budget (conflict notes).dat", nullptr},
        {u"Budget (conflicted copy of March).dat", nullptr},
        {u"Plans_conflict-2025.dat", nullptr},
        {u"Plans_conflict-20251309-101500.dat", nullptr},
        {u"Team (conflict 2026-12-09).dat", nullptr},
        {u"Team.sync-conflict-20261209-101500-abcdef1.dat", nullptr},
        {u"Team.sync-conflict-20261209-101500-ABCDEF.dat", nullptr},
        {u"Team.sync-conflict-notes.dat", nullptr},
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

// One planner for the preview and the merge: each copy against the profile and the copies before it.
TEST(ConflictCopies, AMergeAddsWhatOnlyTheCopiesHoldEachEntryOnce) {
    const Entry mail{u"Work", u"Mail", u"ann", u"pw1", u"", u"", u"", u""};
    const Entry bank{u"Home", u"Bank", u"ann", u"pw2", u"", u"12/27", u"", u""};
    Entry bankEdited = bank;
    bankEdited.password = u"pw3";
    const Entry shop{u"", u"Shop", u"a", u"p", u"", u"", u"", u""};
    struct Copy {
        std::vector<Entry> entries;
        std::vector<std::u16string> categories;
    };
    const struct {
        const char* what;
        std::vector<Entry> profile;
        std::vector<std::u16string> profileCategories;
        std::vector<Copy> copies;
        std::vector<Entry> added;  // over all copies, in order
        std::vector<std::u16string> addedCategories;
    } cases[] = {
        {"the same entries", {mail, bank}, {u"Work", u"Home"}, {{{bank, mail}, {u"Home", u"Work"}}}, {}, {}},
        {"added on the other side", {mail}, {u"Work"}, {{{mail, shop}, {u"Work"}}}, {shop}, {}},
        {"edited there, removed here",
         {mail},
         {u"Work"},
         {{{mail, bankEdited}, {u"Work", u"Home"}}},
         {bankEdited},
         {u"Home"}},
        {"edited on both sides: both kept", {mail, bank}, {}, {{{mail, bankEdited}, {}}}, {bankEdited}, {}},
        {"removed there: nothing removed here", {mail, bank}, {}, {{{mail}, {}}}, {}, {}},
        {"categories in another letter case", {}, {u"Work"}, {{{}, {u"WORK", u"Travel"}}}, {}, {u"Travel"}},
        {"the copy's own duplicates", {}, {}, {{{shop, shop}, {}}}, {shop, shop}, {}},
        {"two copies hold the same new entry and category",
         {mail},
         {},
         {{{mail, shop}, {u"Travel"}}, {{shop, bank}, {u"travel"}}},
         {shop, bank},
         {u"Travel"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CategoryList categories;
        for (const std::u16string& name : c.profileCategories) categories.add(name);
        std::vector<Profile> copies;
        for (const Copy& copy : c.copies) {
            Profile& p = copies.emplace_back();
            p.entries = copy.entries;
            for (const std::u16string& name : copy.categories) p.categories.add(name);
        }
        MergePlanner planner(c.profile, categories);
        std::vector<Entry> added;
        std::vector<std::u16string> addedCategories;
        for (const Profile& copy : copies) {
            const MergePlan plan = planner.add(copy);
            for (const Entry* entry : plan.entries) added.push_back(*entry);
            addedCategories.insert(addedCategories.end(), plan.categories.begin(), plan.categories.end());
        }
        EXPECT_EQ(added, c.added);
        EXPECT_EQ(addedCategories, c.addedCategories);
    }
}

TEST_F(StoreTest, TheProfileListShowsEachProfileOnceBesideItsConflictCopies) {
    for (const char* name : {"Team.dat", "Team.sync-conflict-20261209-101500-ABCDEF1.dat",
                             "Team (Ann's conflicted copy 2026-12-09).dat", "Home.dat", "Home.old.dat"}) {
        TempFolder::writeFile(database / name, "");
    }
    Instance& a = startInstance();
    EXPECT_EQ(a.list(), (std::vector<std::u16string>{u"Home", u"Team"}));
    EXPECT_EQ(a.store->folder().profileNames(), (std::vector<std::u16string>{u"Home", u"Team"}));
}

// The profile and a copy a sync engine made of it before this side changed it: the copy still has
// the entry as it was, this side edited it and added one; a second copy is damaged.
TEST_F(StoreTest, MergingCopiesAddsWhatOnlyTheyHoldSavesOnceAndThenRemovesThem) {
    for (const bool sealedForm : {false, true}) {
        SCOPED_TRACE(sealedForm ? "sealed" : "usual");
        const std::u16string name = sealedForm ? u"Sealed" : u"Usual";
        const std::u16string copyName = name + u".sync-conflict-20261209-101500-ABCDEF1.dat";
        const std::u16string damagedName = name + u" (conflicted copy 2026-12-09).dat";
        Instance& a = createAndOpen(name);
        ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        a.store->edits().setSealed(sealedForm);
        ASSERT_EQ(a.carryOut(a.store->edits().addCategory(u"Bank")), SaveOutcome::Saved);
        ASSERT_EQ(a.add(u"4|Bank|Giro|ann|old||||"), SaveOutcome::Saved);
        TempFolder::writeFile(database / copyName, releasedFileBytes(name));
        TempFolder::writeFile(database / damagedName, "not a profile\n");
        ASSERT_TRUE(a.open(name).loaded());
        ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        ASSERT_EQ(a.carryOut(ChangeEntryRecord(*a.store, 1, u"4|Bank|Giro|ann|new||||")), SaveOutcome::Saved);
        ASSERT_EQ(a.add(u"4||Shop|ann|pw||||"), SaveOutcome::Saved);

        std::optional<ConflictMerge> shown = a.store->edits().readConflictCopies();
        ConflictMerge& preview = *shown;
        const std::vector<ConflictCopyInfo>& copies = preview.copies();
        ASSERT_EQ(copies.size(), 2u);
        const auto& [readable, damaged] =
            copies[0].fileName == copyName ? std::tie(copies[0], copies[1]) : std::tie(copies[1], copies[0]);
        EXPECT_EQ(readable.fileName, copyName);
        EXPECT_EQ(readable.problem, u"");
        EXPECT_FALSE(readable.unproven);
        EXPECT_EQ(readable.newEntries, 1u);
        EXPECT_EQ(readable.newCategories, 0u);
        EXPECT_EQ(damaged.fileName, damagedName);
        EXPECT_EQ(damaged.problem, kCopyDamagedText);
        EXPECT_EQ(preview.entriesAdded(), 1u);
        EXPECT_EQ(preview.copiesMerged(), 1u);

        const std::string before = releasedFileBytes(name);
        ASSERT_TRUE(a.open(name).loaded());
        ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        EXPECT_EQ(a.store->edits().mergeConflictCopies(preview).entriesAdded, 0u)
            << "a plan of an earlier session";
        EXPECT_EQ(releasedFileBytes(name), before);
        EXPECT_TRUE(std::filesystem::exists(database / copyName));
        shown.reset();  // lets go of the copies it read
        EXPECT_EQ(a.store->edits().readConflictCopies({copyName}).copies().size(), 1u)
            << "only the copy named is read";

        // The merge carries out the plan that was shown: no copy is read again.
        a.files->holdAttempts.clear();
        ConflictMerge plan = a.store->edits().readConflictCopies();
        const MergeResult merge = a.store->edits().mergeConflictCopies(plan);
        const auto& held = a.files->holdAttempts;
        EXPECT_EQ(std::count(held.begin(), held.end(), database / copyName), 1) << "each copy is read once";
        EXPECT_TRUE(merge.save.saved());
        EXPECT_EQ(merge.entriesAdded, plan.entriesAdded());
        EXPECT_EQ(merge.entriesAdded, 1u);
        EXPECT_EQ(merge.merged, std::vector<std::u16string>{copyName});
        ASSERT_EQ(merge.leftAlone.size(), 1u);
        EXPECT_EQ(merge.leftAlone[0].fileName, damagedName);
        EXPECT_FALSE(std::filesystem::exists(database / copyName));
        EXPECT_TRUE(std::filesystem::exists(database / damagedName));

        a.store->open().closeHeldFile();
        Instance& b = startInstance();
        ASSERT_TRUE(b.open(name).loaded());
        ASSERT_EQ(b.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
        EXPECT_EQ(RecordsOf(b.store->open().profile().entries),
                  (std::vector<std::u16string>{u"4|Bank|Giro|ann|new||||", u"4||Shop|ann|pw||||",
                                               u"4|Bank|Giro|ann|old||||"}));
        EXPECT_EQ(b.store->open().profile().version, a.store->open().profile().version);
        b.store->open().closeHeldFile();
    }
}

TEST_F(StoreTest, ACopySavedWithAnotherLogonIsLeftAlone) {
    Instance& a = createAndOpen(u"Team");
    ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
    ASSERT_EQ(a.add(u"4||Old|ann|pw||||"), SaveOutcome::Saved);
    TempFolder::writeFile(database / "Team (conflict 2026-12-09-101500).dat", releasedFileBytes(u"Team"));
    ASSERT_TRUE(a.open(u"Team").loaded());
    ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
    ASSERT_EQ(a.carryOut(ChangeSecurity(*a.store, [](Profile& p) { p.password = u"a new password"; })),
              SaveOutcome::Saved);
    ConflictMerge plan = a.store->edits().readConflictCopies();
    const MergeResult merge = a.store->edits().mergeConflictCopies(plan);
    EXPECT_EQ(merge.entriesAdded, 0u);
    ASSERT_EQ(merge.leftAlone.size(), 1u);
    EXPECT_EQ(merge.leftAlone[0].problem, kCopyOtherLogonText);
    EXPECT_TRUE(std::filesystem::exists(database / "Team (conflict 2026-12-09-101500).dat"));
}

}  // namespace
}  // namespace keyloft::testing
