#include <QLocale>

#include <gtest/gtest.h>

#include "entries/locale_dates.h"

namespace keyloft {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kBritish(QLocale::English, QLocale::UnitedKingdom);

CalendarDate Day(int year, int month, int day) { return {year, month, day}; }

TEST(LocaleDates, OrderOfAmbiguousNumbersFollowsTheShortForm) {
    EXPECT_EQ(DateOrderOf(kUs), DateOrder::MonthFirst);  // M/d/yy
    EXPECT_EQ(DateOrderOf(kGerman), DateOrder::DayFirst);
    EXPECT_EQ(DateOrderOf(kBritish), DateOrder::DayFirst);
    EXPECT_EQ(DateOrderOf(QLocale::c()), DateOrder::DayFirst);                                // d MMM yyyy
    EXPECT_EQ(DateOrderOf(QLocale(QLocale::Swedish, QLocale::Sweden)), DateOrder::DayFirst);  // year first

    EXPECT_EQ(LocaleDateReader(kUs).read(u"12/8/26"), Day(2026, 12, 8));
    EXPECT_EQ(LocaleDateReader(kBritish).read(u"12/8/26"), Day(2026, 8, 12));
    EXPECT_EQ(LocaleDateReader(kGerman).read(u"08.12.26"), Day(2026, 12, 8));
    EXPECT_EQ(LocaleDateReader(kUs).read(u"19/12/2003"), Day(2003, 12, 19));
}

TEST(LocaleDates, TheLocalesOwnShortAndLongFormsAreReadToo) {
    const LocaleDateReader c(QLocale::c());
    EXPECT_EQ(c.read(u"8 Dec 2026"), Day(2026, 12, 8));
    EXPECT_EQ(c.read(u"1 Jun 25"), Day(2025, 6, 1));  // two-digit years land in 1930-2029
    EXPECT_EQ(c.textToStore(u" 1 Jun 2025 "), u"2025-06-01");
    for (const QLocale& locale : {kUs, kGerman, kBritish}) {
        const LocaleDateReader reader(locale);
        const QString longForm = locale.toString(QDate(2027, 3, 4), QLocale::LongFormat);
        EXPECT_EQ(reader.read(longForm.toStdU16String()), Day(2027, 3, 4)) << longForm.toStdString();
        EXPECT_EQ(reader.read(u"2026-12-08"), Day(2026, 12, 8));
        EXPECT_EQ(reader.read(u"12/05"), Day(2005, 12, 1));  // card form, whatever the locale
        EXPECT_EQ(reader.read(u"04/30"), Day(2030, 4, 1));
    }
}

TEST(LocaleDates, TextsThatAreNotDates) {
    const LocaleDateReader us(kUs);
    for (const char16_t* text : {u"never", u"2/30/2026", u"13/13/2026", u"1/1/123", u"1/1/26x", u"1//26",
                                 u"2026-13-01", u"", u"12", u"13/05"})
        EXPECT_FALSE(us.read(text).has_value()) << QString::fromUtf16(text).toStdString();
    // Asking twice gives the same answer (the locale parser's results are kept).
    EXPECT_FALSE(us.read(u"never").has_value());
}

}  // namespace
}  // namespace keyloft
