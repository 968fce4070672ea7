// The tool's own text handling: UTF-8 at the terminal, expiry dates, the entry checks, CSV quoting.
#include <gtest/gtest.h>

#include <string>

#include "cli/entry.h"
#include "cli/entry_output.h"
#include "cli/expiry_date.h"
#include "cli/text.h"
#include "support/unicode_samples.h"

namespace keyloft::cli {
namespace {

TEST(CliText, Utf8RoundTripsEveryPlaneAndRejectsMalformedBytes) {
    const std::u16string text = u"A\u00e9\u65e5\u672c\U0001F600z";
    const std::string utf8 = ToUtf8(text);
    EXPECT_EQ(utf8, "A\xC3\xA9\xE6\x97\xA5\xE6\x9C\xAC\xF0\x9F\x98\x80z");
    ASSERT_TRUE(FromUtf8(utf8).has_value());
    EXPECT_EQ(*FromUtf8(utf8), text);
    EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80")->size(), 2u);  // a surrogate pair

    for (const char* bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE6\x97", "\x80", "\xFF"})
        EXPECT_FALSE(FromUtf8(bad).has_value()) << bad;
    EXPECT_EQ(FromUtf8Lenient("a\xFF" "b"), u"a\uFFFDb");
}

TEST(CliText, EveryPlaneBoundaryRoundTrips) {
    for (const auto& sample : keyloft::testing::kUnicodeSamples) {
        SCOPED_TRACE(::testing::Message() << "U+" << std::hex << static_cast<unsigned>(sample.codePoint));
        EXPECT_EQ(ToUtf8(sample.utf16), sample.utf8Bytes());
        EXPECT_EQ(FromUtf8(sample.utf8Bytes()), std::optional<std::u16string>(sample.utf16));
        EXPECT_EQ(FromUtf8Lenient(sample.utf8Bytes()), sample.utf16);
    }
    EXPECT_EQ(FromUtf8(keyloft::testing::AllSamplesUtf8()), keyloft::testing::AllSamplesUtf16());
    EXPECT_EQ(ToUtf8(keyloft::testing::AllSamplesUtf16()), keyloft::testing::AllSamplesUtf8());
}

TEST(CliText, LoneSurrogatesBecomeReplacementCharacters) {
    const std::u16string lone = {u'x', char16_t(0xD83D), u'y', char16_t(0xDE00)};
    EXPECT_EQ(ToUtf8(lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
    EXPECT_TRUE(FromUtf8(ToUtf8(lone)).has_value());
}

TEST(CliText, TrimRemovesBlanksOnly) {
    EXPECT_EQ(TrimBlanks(u"  a b  "), u"a b");
    EXPECT_EQ(TrimBlanks(u"   "), u"");
    EXPECT_EQ(TrimBlanks(u"\ta\t"), u"\ta\t");
}

TEST(CliExpiryDate, AcceptedFormsAndWhatIsStored) {
    EXPECT_EQ(NormalizeExpiryDate(u""), u"");
    EXPECT_EQ(NormalizeExpiryDate(u"   "), u"");
    EXPECT_EQ(NormalizeExpiryDate(u" 12/05 "), u"12/05");   // month and year, kept as typed
    EXPECT_EQ(NormalizeExpiryDate(u"2027-1-5"), u"2027-01-05");
    EXPECT_EQ(NormalizeExpiryDate(u"5/1/2027"), u"2027-01-05");  // day first
    EXPECT_EQ(NormalizeExpiryDate(u"29/02/2024"), u"2024-02-29");
    EXPECT_EQ(NormalizeExpiryDate(u"1/2/29"), u"2029-02-01");
    EXPECT_EQ(NormalizeExpiryDate(u"1/2/30"), u"1930-02-01");
}

TEST(CliExpiryDate, RefusedTexts) {
    for (const char16_t* text : {u"13/05", u"00/05", u"1a/05", u"29/02/2023", u"31/04/2027", u"2027-02-30",
                                 u"2027-13-01", u"soon", u"12/5", u"1/2/027", u"2027/01/05", u"1-2-2027"})
        EXPECT_FALSE(NormalizeExpiryDate(text).has_value()) << ToUtf8(text);
}

EntryDraft Draft(std::u16string userCode, std::u16string password, std::u16string confirmation) {
    EntryDraft draft;
    draft.fields.userCode = std::move(userCode);
    draft.fields.password = std::move(password);
    draft.confirmation = std::move(confirmation);
    return draft;
}

TEST(CliEntryCheck, ChecksRunInTheEditorsOrder) {
    EntryDraft draft = Draft(u"   ", u"a", u"b");
    draft.fields.expiryDate = u"never";
    EXPECT_EQ(CheckEntry(draft).refusal, u"Account/UserCode must have a valid entry!");
    draft.fields.userCode = u"me";
    EXPECT_EQ(CheckEntry(draft).refusal, u"Password and confirmation entry do not match!");
    draft.confirmation = u" a ";
    EXPECT_EQ(CheckEntry(draft).refusal, u"  Enter a valid Expiry Date!");
    draft.fields.expiryDate = u"12/05";
    draft.fields.notes = u"a|b";
    EXPECT_EQ(CheckEntry(draft).refusal, u"The character | cannot be used in an entry.");
    draft.fields.notes = u"ok";
    EXPECT_FALSE(CheckEntry(draft).refusal.has_value());
}

TEST(CliEntryCheck, TrimsAllButWebSiteAndEmailAndAllowsABlankPassword) {
    EntryDraft draft = Draft(u" me ", u"  ", u"");
    draft.fields.category = u" Bank ";
    draft.fields.description = u" desc ";
    draft.fields.notes = u" line1\nline2 ";
    draft.fields.expiryDate = u" 2027-02-03 ";
    draft.fields.webSite = u" w ";
    draft.fields.email = u" e ";
    const EntryCheck check = CheckEntry(draft);
    ASSERT_FALSE(check.refusal.has_value());
    EXPECT_TRUE(check.passwordBlank);
    EXPECT_EQ(check.record, u"4|Bank|desc|me||line1\nline2|2027-02-03| w | e ");
    const EntryFields back = ParseEntryRecord(check.record);
    EXPECT_EQ(back.notes, u"line1\nline2");
    EXPECT_EQ(back.email, u" e ");
}

TEST(CliCategoryNames, UniqueIgnoringCaseAndRenameMayChangeCase) {
    CategoryList categories;
    categories.add(u"Bank", u"3|Bank");
    AddNewCategory(categories, u"Shop");
    EXPECT_EQ(FindCategory(categories, u"Shop"), 2u);
    EXPECT_EQ(FindCategory(categories, u"shop"), 0u);
    EXPECT_EQ(CheckCategoryName(categories, u"", 0), u"You have not specified a Category!");
    EXPECT_EQ(CheckCategoryName(categories, u"bANK", 0), u"This Category already exists!");
    EXPECT_EQ(CheckCategoryName(categories, u"SHOP", 1), u"This Category already exists!");
    EXPECT_FALSE(CheckCategoryName(categories, u"BANK", 1).has_value());  // its own name, new case
    EXPECT_EQ(CheckCategoryName(categories, u"A|B", 0), u"The character | cannot be used here.");
}

TEST(CliCategoryNames, ANameWhoseKeyIsTakenIsStillAdded) {
    CategoryList categories;
    categories.add(u"Cbank", u"3|Cbank");  // loaded: keyed by its name
    AddNewCategory(categories, u"bank");      // a new one is keyed "CBANK"
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_EQ(categories.at(2).name(), u"bank");
}

TEST(CliOutput, CsvQuotesOnlyWhereNeeded) {
    EXPECT_EQ(CsvField("plain"), "plain");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EntryFields entry;
    entry.description = u"x,y";
    entry.password = u"p";
    EXPECT_EQ(CsvRow(3, entry), "3,,\"x,y\",,p,,,,\r\n");
}

TEST(CliOutput, ListMasksThePasswordAndEscapesControlCharacters) {
    EntryFields entry;
    entry.userCode = u"me";
    entry.password = u"secret";
    entry.notes = u"a\tb\nc\\";
    const std::string row = ListRow(7, entry);
    EXPECT_EQ(row, "7\t\t\tme\t**********\ta\\tb\\nc\\\\\t\t\t\n");
    EXPECT_EQ(row.find("secret"), std::string::npos);
    EXPECT_FALSE(EntryJson(7, entry, PasswordShown::Masked).contains("password"));
    EXPECT_EQ(EntryJson(7, entry, PasswordShown::Clear)["password"], "secret");
}

}  // namespace
}  // namespace keyloft::cli
