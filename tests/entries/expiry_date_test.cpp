#include <QLocale>

#include <gtest/gtest.h>

#include "entries/expiry_date.h"

namespace keyloft {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kBritish(QLocale::English, QLocale::UnitedKingdom);

TEST(ExpiryDates, ShortFormatWithTwoOrFourDigitYears) {
    ExpiryDateReader us(kUs);  // M/d/yy
    EXPECT_EQ(us.read(u"12/8/26"), QDate(2026, 12, 8));
    EXPECT_EQ(us.read(u"12/08/2026"), QDate(2026, 12, 8));
    EXPECT_EQ(us.read(u"1/2/1999"), QDate(1999, 1, 2));
    ExpiryDateReader german(kGerman);  // dd.MM.yy
    EXPECT_EQ(german.read(u"08.12.26"), QDate(2026, 12, 8));
    EXPECT_EQ(german.read(u"8.12.2026"), QDate(2026, 12, 8));
    EXPECT_FALSE(german.read(u"12/8/26").isValid());
    ExpiryDateReader british(kBritish);  // dd/MM/yyyy
    EXPECT_EQ(british.read(u"08/12/2026"), QDate(2026, 12, 8));
    EXPECT_EQ(british.read(u"08/12/26"), QDate(2026, 12, 8));
}

TEST(ExpiryDates, TwoDigitYearsLandIn1930To2029) {
    ExpiryDateReader us(kUs);
    EXPECT_EQ(us.read(u"1/1/29").year(), 2029);
    EXPECT_EQ(us.read(u"1/1/30").year(), 1930);
    EXPECT_EQ(us.read(u"1/1/00").year(), 2000);
    EXPECT_EQ(us.read(u"1/1/99").year(), 1999);
}

TEST(ExpiryDates, IsoAndLongFormatsAreDates) {
    ExpiryDateReader us(kUs);
    EXPECT_EQ(us.read(u"2026-12-08"), QDate(2026, 12, 8));
    EXPECT_EQ(us.read(kUs.toString(QDate(2027, 3, 4), QLocale::LongFormat)), QDate(2027, 3, 4));
    ExpiryDateReader german(kGerman);
    EXPECT_EQ(german.read(u"2026-12-08"), QDate(2026, 12, 8));
    EXPECT_EQ(german.read(kGerman.toString(QDate(2027, 3, 4), QLocale::LongFormat)), QDate(2027, 3, 4));
}

TEST(ExpiryDates, CardFormIsFirstOfMonthWhateverTheLocale) {
    for (const QLocale& locale : {kUs, kGerman, kBritish}) {
        ExpiryDateReader reader(locale);
        EXPECT_EQ(reader.read(u"12/05"), QDate(2005, 12, 1)) << locale.name().toStdString();
        EXPECT_EQ(reader.read(u"01/29"), QDate(2029, 1, 1));
        EXPECT_EQ(reader.read(u"06/45"), QDate(1945, 6, 1));
        EXPECT_FALSE(reader.read(u"13/05").isValid());
        EXPECT_FALSE(reader.read(u"00/05").isValid());
        EXPECT_FALSE(reader.read(u"1a/05").isValid());
    }
    EXPECT_TRUE(ExpiryDateReader::isCardForm(u"12/05"));
    EXPECT_FALSE(ExpiryDateReader::isCardForm(u"1/5/7"));
    EXPECT_FALSE(ExpiryDateReader::isCardForm(u"12/055"));
}

TEST(ExpiryDates, TextsThatAreNotDates) {
    ExpiryDateReader us(kUs);
    for (const char16_t* text : {u"never", u"2/30/2026", u"13/1/2026", u"1/1/123", u"1/1/26x", u"1//26", u"2026-13-01",
                                 u"", u"12"})
        EXPECT_FALSE(us.read(text).isValid()) << QString::fromUtf16(text).toStdString();
    // Asking twice gives the same answer (the general parser's results are kept).
    EXPECT_FALSE(us.read(u"never").isValid());
}

TEST(ExpiryDates, WrittenInTheShortFormatAndReadBack) {
    ExpiryDateReader us(kUs);
    EXPECT_EQ(us.write(QDate(2026, 12, 8)), QStringLiteral("12/8/26"));
    ExpiryDateReader german(kGerman);
    EXPECT_EQ(german.write(QDate(2026, 3, 4)), QStringLiteral("04.03.26"));
    ExpiryDateReader british(kBritish);
    EXPECT_EQ(british.write(QDate(2026, 3, 4)), QStringLiteral("04/03/2026"));
    // A year that two digits would move to another century keeps four.
    EXPECT_EQ(us.write(QDate(2035, 1, 2)), QStringLiteral("1/2/2035"));
    for (ExpiryDateReader* reader : {&us, &german, &british})
        for (const QDate& date : {QDate(2026, 12, 31), QDate(1931, 2, 28), QDate(2035, 7, 9), QDate(1850, 1, 1)})
            EXPECT_EQ(reader->read(reader->write(date)), date) << reader->write(date).toStdString();
}

TEST(ExpiryDates, LocaleWithNamedMonthsInItsShortFormat) {
    ExpiryDateReader c(QLocale::c());  // d MMM yyyy
    EXPECT_EQ(c.read(u"8 Dec 2026"), QDate(2026, 12, 8));
    EXPECT_EQ(c.read(u"2026-12-08"), QDate(2026, 12, 8));
    EXPECT_EQ(c.read(c.write(QDate(2024, 2, 29))), QDate(2024, 2, 29));
}

}  // namespace
}  // namespace keyloft
