#include <gtest/gtest.h>

#include <string>

#include "store/expiry_date.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

std::string Show(std::u16string_view text) { return Utf16ToUtf8(text); }

const ExpiryDateReader kDayFirst(DateOrder::DayFirst);
const ExpiryDateReader kMonthFirst(DateOrder::MonthFirst);

TEST(ExpiryDate, ReadingInBothLocaleOrders) {
    struct Case {
        const char16_t* text;
        CalendarDate dayFirst, monthFirst;  // year 0: not a date
    };
    const Case cases[] = {
        // Card form: first day of the month of 20YY, whatever the order.
        {u"12/05", {2005, 12, 1}, {2005, 12, 1}},
        {u"04/30", {2030, 4, 1}, {2030, 4, 1}},
        {u"01/37", {2037, 1, 1}, {2037, 1, 1}},
        {u" 07/30 ", {2030, 7, 1}, {2030, 7, 1}},
        {u"13/05", {}, {}},
        {u"00/05", {}, {}},
        {u"1a/05", {}, {}},
        // A month with a four-digit year: its first day.
        {u"12/2025", {2025, 12, 1}, {2025, 12, 1}},
        {u"3/2027", {2027, 3, 1}, {2027, 3, 1}},
        {u"13/2027", {}, {}},
        {u"0/2027", {}, {}},
        {u"12/202", {}, {}},
        // ISO, with or without leading zeros.
        {u"2026-12-08", {2026, 12, 8}, {2026, 12, 8}},
        {u"2027-1-5", {2027, 1, 5}, {2027, 1, 5}},
        {u"2027-02-30", {}, {}},
        {u"2027-13-01", {}, {}},
        {u"2027/01/05", {}, {}},
        // Ambiguous numbers follow the order; a number over 12 decides by itself.
        {u"3/4/2027", {2027, 4, 3}, {2027, 3, 4}},
        {u"15/01/2024", {2024, 1, 15}, {2024, 1, 15}},
        {u"19/12/2003", {2003, 12, 19}, {2003, 12, 19}},
        {u"12/19/2003", {2003, 12, 19}, {2003, 12, 19}},
        {u"17.05.2011", {2011, 5, 17}, {2011, 5, 17}},
        {u"1-2-2027", {2027, 2, 1}, {2027, 1, 2}},
        {u"13/13/2027", {}, {}},
        {u"31/04/2027", {}, {}},
        {u"29/02/2024", {2024, 2, 29}, {2024, 2, 29}},
        {u"29/02/2023", {}, {}},
        // Two-digit years land in 1930-2029.
        {u"1/2/29", {2029, 2, 1}, {2029, 1, 2}},
        {u"1/2/30", {1930, 2, 1}, {1930, 1, 2}},
        {u"6/22/26", {2026, 6, 22}, {2026, 6, 22}},
        // Not dates.
        {u"", {}, {}},
        {u"   ", {}, {}},
        {u"soon", {}, {}},
        {u"12/5", {}, {}},
        {u"1/2/027", {}, {}},
        {u"1/2.2027", {}, {}},
        {u"1/2/3/2027", {}, {}},
        {u"1//26", {}, {}},
    };
    for (const Case& c : cases) {
        const auto dayFirst = kDayFirst.read(c.text);
        const auto monthFirst = kMonthFirst.read(c.text);
        EXPECT_EQ(dayFirst.value_or(CalendarDate{}), c.dayFirst) << Show(c.text);
        EXPECT_EQ(monthFirst.value_or(CalendarDate{}), c.monthFirst) << Show(c.text);
    }
}

TEST(ExpiryDate, CardFormIsKeptAndEveryOtherDateStoredAsIso) {
    struct Case {
        const char16_t* typed;
        std::optional<std::u16string> stored;
    };
    const Case cases[] = {
        {u"", u""},
        {u"   ", u""},
        {u" 12/05 ", u"12/05"},
        {u"12/2025", u"12/25"},
        {u"3/2027", u"03/27"},
        {u"3/2127", u"2127-03-01"},
        {u"2027-1-5", u"2027-01-05"},
        {u"5/1/2027", u"2027-01-05"},
        {u"19/12/2003", u"2003-12-19"},
        {u"1/2/30", u"1930-02-01"},
        {u"29/02/2023", std::nullopt},
        {u"never", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(kDayFirst.textToStore(c.typed), c.stored) << Show(c.typed);
    EXPECT_EQ(kMonthFirst.textToStore(u"5/1/2027"), u"2027-05-01");
    EXPECT_EQ(IsoDateText({987, 3, 4}), u"0987-03-04");
}

TEST(ExpiryDate, DueWithinSevenDaysOrPast) {
    const CalendarDate today{2026, 12, 9};
    EXPECT_TRUE(IsDueWithinAWeek({2026, 12, 16}, today));   // 7 days
    EXPECT_FALSE(IsDueWithinAWeek({2026, 12, 17}, today));  // 8 days
    EXPECT_TRUE(IsDueWithinAWeek(today, today));
    EXPECT_TRUE(IsDueWithinAWeek({2026, 12, 8}, today));
    EXPECT_TRUE(IsDueWithinAWeek({1999, 1, 1}, today));
    // Across a month and a year end.
    EXPECT_TRUE(IsDueWithinAWeek({2027, 1, 1}, {2026, 12, 25}));
    EXPECT_FALSE(IsDueWithinAWeek({2027, 1, 2}, {2026, 12, 25}));

    struct Case {
        const char16_t* stored;
        bool due;
    };
    const Case cases[] = {
        {u"12/05", true},                         // 1 December 2005
        {u"04/30", false},                        // 1 April 2030
        {u"01/37", false},     {u"12/26", true},  // 1 December 2026: past
        {u"2026-12-16", true}, {u"2026-12-17", false}, {u"19/12/2003", true},
        {u"17/05/2011", true}, {u"someday", false},    {u"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kDayFirst.isDue(c.stored, today), c.due) << Show(c.stored);
        EXPECT_EQ(kMonthFirst.isDue(c.stored, today), c.due) << Show(c.stored);
    }
}

TEST(ExpiryDate, LocaleNamesThatWriteTheMonthFirst) {
    for (const char* name : {"en_US.UTF-8", "en_US", "en_US.utf8@euro", "en_PH.UTF-8"})
        EXPECT_EQ(DateOrderOfLocaleName(name), DateOrder::MonthFirst) << name;
    for (const char* name :
         {"", "C", "POSIX", "C.UTF-8", "en_GB.UTF-8", "de_DE.UTF-8", "es_US.UTF-8", "fr_CA", "en_USA"})
        EXPECT_EQ(DateOrderOfLocaleName(name), DateOrder::DayFirst) << name;
}

// The window reads its locale's own forms after the common rules.
class ReaderWithAWord final : public ExpiryDateReader {
  public:
    ReaderWithAWord() : ExpiryDateReader(DateOrder::DayFirst) {}

  protected:
    std::optional<CalendarDate> readMore(std::u16string_view trimmed) const override {
        if (trimmed == u"Xmas 2026") return CalendarDate{2026, 12, 25};
        return std::nullopt;
    }
};

TEST(ExpiryDate, ExtraFormsAreTriedLastAndStoredAsIso) {
    const ReaderWithAWord reader;
    EXPECT_EQ(reader.textToStore(u" Xmas 2026 "), u"2026-12-25");
    EXPECT_EQ(reader.read(u"3/4/2027"), (CalendarDate{2027, 4, 3}));
    EXPECT_FALSE(reader.read(u"13/05").has_value());  // a bad card form is not passed on
}

}  // namespace
}  // namespace keyloft
