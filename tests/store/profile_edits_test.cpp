// The store's edits: each rule refuses through the store (nothing changed, nothing written), each
// accepted edit is on disk for the next instance, and forget() leaves nothing of the profile.

#include <gtest/gtest.h>

#include <functional>

#include "store/entry_import.h"
#include "store/expiry_date.h"
#include "store/text_convert.h"
#include "store_fixture.h"
#include "support/record_values.h"

namespace keyloft::testing {
namespace {

const ExpiryDateReader kDates(DateOrder::DayFirst);

TypedEntry Typed(std::u16string_view record, std::u16string confirmation) {
    return TypedEntry{EntryOf(record), std::move(confirmation), false};
}

std::function<EditResult(ProfileEdits&)> Security(SecuritySettings settings) {
    return [settings](ProfileEdits& s) { return s.changeSecurity(settings); };
}

class ProfileEditsTest : public StoreTest {
  protected:
    ProfileEditsTest() : a(createAndOpen(u"Home")) {
        EXPECT_EQ(a.store->open().logOn({u"", kDefaultLogonValue, u""}), LogonOutcome::LoggedOn);
        for (const char16_t* name : {u"Bank", u"Mail"})
            EXPECT_TRUE(a.store->edits().addCategory(name).applied());
        EXPECT_TRUE(a.store->edits().addEntry(Typed(u"4|Bank|Giro|anna|pw||||", u"pw"), kDates).applied());
        EXPECT_TRUE(a.store->edits().addEntry(Typed(u"4|Mail|Post|bob|pw2||||", u"pw2"), kDates).applied());
    }
    // What another instance reads from the file (this one lets go of it first).
    Profile onDisk() {
        a.store->open().closeHeldFile();
        Instance& b = startInstance();
        EXPECT_TRUE(b.open(u"Home").loaded());
        Profile read = b.store->open().profile();
        b.store->open().forget();
        return read;
    }
    Instance& a;
};

TEST_F(ProfileEditsTest, EveryRuleRefusesThroughTheStoreAndLeavesTheFileAlone) {
    struct Case {
        const char* what;
        std::function<EditResult(ProfileEdits&)> edit;
        std::u16string refusal;
    };
    const Case cases[] = {
        {"bar", [](ProfileEdits& s) { return s.addEntry(Typed(u"4||d|me|p||||", u"p|"), kDates); },
         u"The character | cannot be used in an entry."},
        {"user code", [](ProfileEdits& s) { return s.addEntry(Typed(u"4||d| |p||||", u"p"), kDates); },
         u"Account/UserCode must have a valid entry!"},
        {"mismatch", [](ProfileEdits& s) { return s.changeEntry(1, Typed(u"4||d|me|p||||", u"q"), kDates); },
         u"Password and confirmation entry do not match!"},
        {"expiry",
         [](ProfileEdits& s) { return s.addEntry(Typed(u"4||d|me|p||31/02/2030|||", u"p"), kDates); },
         std::u16string(u"  Enter a valid Expiry Date!\n") + kDates.acceptedForms()},
        {"no name", [](ProfileEdits& s) { return s.addCategory(u""); },
         u"You have not specified a Category!"},
        {"bar in name", [](ProfileEdits& s) { return s.addCategory(u"A|B"); },
         u"The character | cannot be used here."},
        {"exists", [](ProfileEdits& s) { return s.addCategory(u"bANK"); }, u"This Category already exists!"},
        {"rename onto another", [](ProfileEdits& s) { return s.renameCategory(1, u"MAIL"); },
         u"This Category already exists!"},
        {"bar in an answer", Security({kPasswordOnly, u"", u"p", u"", {{u"Q", u"A|"}}, 0, false, u"p"}),
         u"The character | cannot be used here."},
        // Of the logon details the last failing check speaks.
        {"no password", Security({kPasswordOnly, u"", u" ", u"", {}, 0, false, u""}), kSpecifyPasswordText},
        {"no user ID", Security({kUserIdAndPassword, u" ", u"", u"", {}, 0, false, u""}), kSpecifyUserIdText},
        {"no PIN", Security({kUserIdPasswordAndPin, u"", u"p", u"", {}, 0, false, u"p"}), kSpecifyPinText},
        {"confirmation", Security({kUserIdPasswordAndPin, u"", u"", u"", {}, 0, false, u"x"}),
         kPasswordMismatchText},
        {"answer without question", Security({kPasswordOnly, u"", u"p", u"", {{u"", u"A"}}, 0, false, u"p"}),
         kQuestionOrAnswerBlankText},
        {"one question", Security({kPasswordOnly, u"", u"p", u"", {{u" ", u""}}, kAllAnswers, false, u"p"}),
         kNeedOneQuestionText},
        {"two questions", Security({kPasswordOnly, u"", u"p", u"", {{u"Q", u"A"}}, kTwoAnswers, false, u"p"}),
         kNeedTwoQuestionsText},
    };
    const std::string before = fileBytes(u"Home");
    for (const Case& c : cases) {
        const EditResult result = c.edit(a.store->edits());
        EXPECT_FALSE(result.applied()) << c.what;
        EXPECT_EQ(result.refusal, c.refusal) << c.what;
    }
    EXPECT_EQ(a.store->open().profile().password, kDefaultLogonValue);
    EXPECT_EQ(fileBytes(u"Home"), before);
    EXPECT_EQ(RecordsOf(a.store->open().profile().entries),
              (std::vector<std::u16string>{u"4|Bank|Giro|anna|pw||||", u"4|Mail|Post|bob|pw2||||"}));
}

TEST_F(ProfileEditsTest, AcceptedEditsAreWrittenAndAChangedEntryMovesToTheEnd) {
    EditResult changed =
        a.store->edits().changeEntry(1, Typed(u"4|Bank| Giro |anna| new ||1/2/2031|||", u"new"), kDates);
    ASSERT_TRUE(changed.applied());
    EXPECT_TRUE(changed.save->saved());
    EXPECT_EQ(changed.position, 2u);
    // Kept as stored: the expiry is neither read nor checked.
    TypedEntry keep = Typed(u"4|Mail|Post|bob|pw2||odd text|||", u"pw2");
    keep.keepStoredExpiry = true;
    ASSERT_TRUE(a.store->edits().changeEntry(1, keep, kDates).applied());
    ASSERT_TRUE(a.store->edits().renameCategory(1, u"BANK").applied());  // its own name in another case
    ASSERT_TRUE(a.store->edits().removeCategory(1).applied());           // Mail: BANK went to the end
    ASSERT_TRUE(a.store->edits().removeEntry(1).applied());
    SecuritySettings security{
        kUserIdAndPassword, u"me", u" pass ", u"", {{u"Pet", u"Rex"}, {u"", u" "}}, 0, false, u"pass"};
    ASSERT_TRUE(a.store->edits().changeSecurity(security).applied());

    const Profile disk = onDisk();
    EXPECT_EQ(disk.logonMode, kUserIdAndPassword);
    EXPECT_EQ(disk.answerMode, kOneAnswer);  // 0 keeps the stored mode
    EXPECT_EQ(disk.questions, std::vector<SecurityQuestion>{(SecurityQuestion{u"Pet", u"Rex"})});
    EXPECT_EQ(disk.categories.items(), std::vector<Category>{Category{u"BANK"}});
    EXPECT_EQ(RecordsOf(disk.entries), std::vector<std::u16string>{u"4|Mail|Post|bob|pw2||odd text||"});
}

// The preview's dry run counts each row as the import does, and changes nothing. A duplicate is
// equal in every field, the password and the notes included, to an entry held or already imported.
TEST_F(ProfileEditsTest, ImportedRowsFindTheirCategorySkipHeldEntriesAndAreWrittenByOneSave) {
    const std::vector<Entry> before = a.store->open().profile().entries;
    const struct {
        Entry row;
        ImportOutcome outcome;
        std::u16string refusal;
        bool newCategory;
    } rows[] = {
        {EntryOf(u"4|mail|x|me|p||||"), ImportOutcome::Added, u"", false},
        {EntryOf(u"4| Travel |y|me|p||||"), ImportOutcome::Added, u"", true},
        {EntryOf(u"4|travel|z|me|p||||"), ImportOutcome::Added, u"", false},
        {EntryOf(u"4|BANK|Giro|anna|pw||||"), ImportOutcome::Duplicate, u"", false},  // held: Bank
        {EntryOf(u"4|mail|x|me|p||||"), ImportOutcome::Duplicate, u"", false},        // twice in the file
        {EntryOf(u"4|mail|x|me|p2||||"), ImportOutcome::Added, u"", false},           // another password
        {EntryOf(u"4|mail|x|me|p|n|||"), ImportOutcome::Added, u"", false},           // other notes
        {Entry{u"A|B", u"z", u"me", u"p", {}, {}, {}, {}}, ImportOutcome::Refused,
         u"The character | cannot be used here.", false},
        {EntryOf(u"4|Car|z|||||"), ImportOutcome::Refused, u"Account/UserCode must have a valid entry!",
         false},
        {EntryOf(u"4|<None>|w|me|p||||"), ImportOutcome::Added, u"", false},
    };
    for (const bool dryRun : {true, false}) {
        EntryImport import(a.store->edits(), kDates, dryRun);
        for (const auto& r : rows) {
            const ImportRowResult result = import.add(r.row);
            EXPECT_EQ(result.outcome, r.outcome) << Utf16ToUtf8(r.row.description) << dryRun;
            EXPECT_EQ(result.refusal, r.refusal) << Utf16ToUtf8(r.row.description) << dryRun;
            EXPECT_EQ(result.newCategory, r.newCategory) << Utf16ToUtf8(r.row.description) << dryRun;
        }
        // An empty group of the file: a category of its own unless the profile has it in any case.
        EXPECT_EQ(import.addCategory(u" travel "), std::nullopt);
        EXPECT_EQ(import.addCategory(u"Empty"), std::nullopt);
        EXPECT_EQ(import.addCategory(u"A|B"), std::u16string(u"The character | cannot be used here."));
        EXPECT_EQ(import.added(), 6u);
        EXPECT_EQ(import.newCategories(), 2u);
        EXPECT_EQ(import.duplicates(), 2u);
        if (!dryRun) {
            ASSERT_TRUE(import.save().saved());
        } else {
            EXPECT_EQ(a.store->open().profile().entries, before);
            EXPECT_EQ(a.store->open().profile().categories.size(), 2u);
        }
    }
    const Profile disk = onDisk();
    EXPECT_EQ(disk.categories.items(),
              (std::vector<Category>{{u"Bank"}, {u"Mail"}, {u"Travel"}, {u"Empty"}}));
    EXPECT_EQ(
        RecordsOf(disk.entries),
        (std::vector<std::u16string>{u"4|Bank|Giro|anna|pw||||", u"4|Mail|Post|bob|pw2||||",
                                     u"4|Mail|x|me|p||||", u"4|Travel|y|me|p||||", u"4|Travel|z|me|p||||",
                                     u"4|Mail|x|me|p2||||", u"4|Mail|x|me|p|n|||", u"4||w|me|p||||"}));
}

TEST_F(ProfileEditsTest, AnAbandonedImportLeavesTheProfileAsItWas) {
    const std::vector<Entry> entries = a.store->open().profile().entries;
    EntryImport import(a.store->edits(), kDates);
    EXPECT_EQ(import.add(EntryOf(u"4|Travel|y|me|p||||")).outcome, ImportOutcome::Added);
    import.abandon();
    EXPECT_EQ(a.store->open().profile().entries, entries);
    EXPECT_EQ(a.store->open().profile().categories.size(), 2u);
    EXPECT_FALSE(import.changed());
}

// The import compares rows with the profile's own entries: it keeps no copy that could outlive a
// forget().
TEST_F(ProfileEditsTest, AnImportKeepsNoCopyOfTheEntriesItComparesWith) {
    const Entry held = a.store->open().profile().entries.front();
    EntryImport import(a.store->edits(), kDates);
    EXPECT_EQ(import.add(held).outcome, ImportOutcome::Duplicate);
    a.store->open().forget();
    EXPECT_EQ(import.add(held).outcome, ImportOutcome::Added);
    EXPECT_TRUE(a.store->open().profile().entries.empty());
}

// Lock's forget: nothing of the profile stays in memory, the file is let go, and a save asked
// for afterwards writes nothing until the profile is opened again.
TEST_F(ProfileEditsTest, ForgetKeepsNoEntryLogonOrKeyAndLetsGoOfTheFile) {
    const std::string saved = releasedFileBytes(u"Home");  // Windows lets no one read a held file
    a.host.clear();
    a.store->open().forget();
    const Profile& p = a.store->open().profile();
    EXPECT_TRUE(p.entries.empty() && p.questions.empty() && p.categories.empty());
    EXPECT_TRUE(p.userId.empty() && p.password.empty() && p.pin.empty());
    EXPECT_EQ(p.logonMode, 0);
    EXPECT_FALSE(a.store->open().loaded());
    EXPECT_FALSE(a.store->open().holdsFile());
    EXPECT_EQ(a.store->open().logOn({u"", kDefaultLogonValue, u""}), LogonOutcome::Incorrect);
    EXPECT_EQ(a.store->open().save().outcome, SaveOutcome::Failed);
    // An edit that resumes after the lock keeps nothing and writes nothing.
    EXPECT_FALSE(a.store->edits().addEntry(Typed(u"4|Bank|Late|me|pw3||||", u"pw3"), kDates).save->saved());
    EXPECT_FALSE(a.store->edits().addCategory(u"Late").save->saved());
    EXPECT_TRUE(a.store->open().profile().entries.empty() && a.store->open().profile().categories.empty());
    EXPECT_EQ(fileBytes(u"Home"), saved);
    EXPECT_TRUE(a.host.messages.empty());
    EXPECT_EQ(onDisk().entries.size(), 2u);  // another instance may take the file

    ASSERT_TRUE(a.open(u"Home").loaded());
    EXPECT_EQ(a.store->open().profile().entries.size(), 2u);
    EXPECT_TRUE(a.store->edits().removeEntry(1).save->saved());
}

}  // namespace
}  // namespace keyloft::testing
