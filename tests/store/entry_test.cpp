#include <gtest/gtest.h>

#include <string>

#include "store/entry.h"
#include "store/expiry_date.h"
#include "store/profile_codec.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

const ExpiryDateReader kDates(DateOrder::DayFirst);

TEST(EntryRecord, FieldsRoundTripThroughTheRecordText) {
    const Entry entry{u"Bank",
                      u"Giro \u00e9\u65e5",
                      u"alice",
                      u"p w",
                      u"line 1\nline 2",
                      u"12/27",
                      u" https://bank.example ",
                      u"\U0001F600@x.example"};
    const std::u16string record = EntryRecord(entry);
    EXPECT_EQ(record,
              u"4|Bank|Giro \u00e9\u65e5|alice|p w|line 1\nline 2|12/27| https://bank.example "
              u"|\U0001F600@x.example");
    EXPECT_EQ(EntryFromFields(SplitFields(record)), entry);

    const Entry empty;
    EXPECT_EQ(EntryRecord(empty), u"4||||||||");
    EXPECT_EQ(EntryFromFields(SplitFields(u"4||||||||")), empty);
}

TEST(EntryRecord, ARecordWithTooFewFieldsReadsTheRestAsEmpty) {
    const Entry entry = EntryFromFields(SplitFields(u"4|Bank|Desc|user"));
    EXPECT_EQ(entry.category, u"Bank");
    EXPECT_EQ(entry.userCode, u"user");
    EXPECT_EQ(entry.password, u"");
    EXPECT_EQ(entry.email, u"");
    EXPECT_EQ(EntryFromFields(SplitFields(u"")), Entry{});
}

Entry Typed(std::u16string userCode, std::u16string password) {
    Entry entry;
    entry.userCode = std::move(userCode);
    entry.password = std::move(password);
    return entry;
}

TEST(EntryCheck, ABarInAnyFieldIsRefusedBeforeAnythingElse) {
    for (std::u16string Entry::*field :
         {&Entry::category, &Entry::description, &Entry::userCode, &Entry::password, &Entry::notes,
          &Entry::expiryDate, &Entry::webSite, &Entry::email}) {
        Entry typed = Typed(u"", u"a");  // a missing user code and a mismatch as well
        typed.*field += u"x|y";
        const EntryCheck check = CheckEntry(typed, u"b", kDates);
        EXPECT_EQ(check.refusal, EntryCheck::Refusal::BarInEntry);
        EXPECT_EQ(check.message, u"The character | cannot be used in an entry.");
        EXPECT_FALSE(check.passwordBlank);
    }
    EXPECT_EQ(CheckEntry(Typed(u"me", u"a"), u"a|", kDates).refusal, EntryCheck::Refusal::BarInEntry);
}

TEST(EntryCheck, ChecksRunInOneOrder) {
    Entry typed = Typed(u"   ", u"a");
    typed.expiryDate = u"never";
    EntryCheck check = CheckEntry(typed, u"b", kDates);
    EXPECT_EQ(check.message, u"Account/UserCode must have a valid entry!");
    EXPECT_FALSE(check.passwordBlank);

    typed.userCode = u"me";
    EXPECT_EQ(CheckEntry(typed, u"b", kDates).message, u"Password and confirmation entry do not match!");
    typed.password = u"  ";
    check = CheckEntry(typed, u"x", kDates);
    EXPECT_TRUE(check.passwordBlank);  // the warning comes before the mismatch
    EXPECT_EQ(check.refusal, EntryCheck::Refusal::PasswordMismatch);

    check = CheckEntry(typed, u"", kDates);
    EXPECT_EQ(check.refusal, EntryCheck::Refusal::InvalidExpiry);
    EXPECT_EQ(check.message,
              u"  Enter a valid Expiry Date!\nType a month as 12/27 or 12/2027, or a day as 2027-12-31 or "
              u"31/12/2027.");
    typed.expiryDate = u"15/01/2024";
    check = CheckEntry(typed, u"", kDates);
    EXPECT_TRUE(check.accepted());
    EXPECT_TRUE(check.passwordBlank);
    EXPECT_EQ(check.message, u"");
}

TEST(EntryCheck, StoresTrimmedTextsExceptWebSiteAndEmail) {
    const Entry typed{u" Bank ",         u" desc ",     u" me ", u" pw ",
                      u" line1\nline2 ", u" 2027-2-3 ", u" w ",  u" e "};
    const EntryCheck check = CheckEntry(typed, u"pw   ", kDates);
    ASSERT_TRUE(check.accepted());
    EXPECT_FALSE(check.passwordBlank);
    EXPECT_EQ(EntryRecord(check.stored), u"4|Bank|desc|me|pw|line1\nline2|2027-02-03| w | e ");
}

TEST(CategoryNames, UniqueIgnoringCaseAndARenameMayChangeCase) {
    CategoryList categories;
    for (const char16_t* name : {u"Bank", u"Shop", u"\u00e9t\u00e9"}) categories.add(name);
    EXPECT_EQ(categories.find(u"Shop"), 2u);
    EXPECT_EQ(categories.find(u"shop"), 0u);
    EXPECT_EQ(categories.find(u""), 0u);
    EXPECT_FALSE(categories.add(u"sHOP"));

    struct Case {
        const char16_t* name;
        std::size_t excluding;
        std::optional<std::u16string> refusal;
    };
    const Case cases[] = {
        {u"", 0, u"You have not specified a Category!"},
        {u"A|B", 0, u"The character | cannot be used here."},
        {u"bANK", 0, u"This Category already exists!"},
        {u"\u00c9T\u00c9", 0, u"This Category already exists!"},
        {u"SHOP", 1, u"This Category already exists!"},
        {u"BANK", 1, std::nullopt},  // its own name in another case
        {u"Banking", 0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckCategoryName(categories, c.name, c.excluding), c.refusal) << Utf16ToUtf8(c.name);
}

TEST(CategoryNames, ANameThatIsAnotherWithAPrefixIsStillAdded) {
    CategoryList categories;
    categories.add(u"Cbank");
    EXPECT_TRUE(categories.add(u"bank"));
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_EQ(categories.at(2).name, u"bank");
}

TEST(TextRules, TrimBlanksRemovesOnlyBlanksAtBothEnds) {
    EXPECT_EQ(TrimBlanks(u"  a b  "), u"a b");
    EXPECT_EQ(TrimBlanks(u"   "), u"");
    EXPECT_EQ(TrimBlanks(u"\ta\t"), u"\ta\t");
}

}  // namespace
}  // namespace keyloft
