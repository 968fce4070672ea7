#include "entries/locale_dates.h"

namespace keyloft {

DateOrder DateOrderOf(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (quoted) continue;
        if (c == u'M') return DateOrder::MonthFirst;
        if (c == u'd' || c == u'y') return DateOrder::DayFirst;
    }
    return DateOrder::DayFirst;
}

CalendarDate ToCalendarDate(QDate date) { return {date.year(), date.month(), date.day()}; }

LocaleDateReader::LocaleDateReader(const QLocale& locale)
    : ExpiryDateReader(DateOrderOf(locale)),
      locale_(locale),
      shortFormat_(locale.dateFormat(QLocale::ShortFormat)),
      longFormat_(locale.dateFormat(QLocale::LongFormat)) {}

std::optional<CalendarDate> LocaleDateReader::readMore(std::u16string_view trimmed) const {
    const QString text = QString::fromUtf16(trimmed.data(), static_cast<qsizetype>(trimmed.size()));
    if (const auto cached = cache_.constFind(text); cached != cache_.constEnd()) return *cached;
    QDate date = locale_.toDate(text, shortFormat_);
    if (date.isValid() && date.year() < 100) date = {};  // "yyyy" also takes two digits
    if (!date.isValid() && shortFormat_.contains(QStringLiteral("yyyy"))) {
        // The short form with a two-digit year, which lands in 1930-2029.
        QString twoDigits = shortFormat_;
        twoDigits.replace(QStringLiteral("yyyy"), QStringLiteral("yy"));
        date = locale_.toDate(text, twoDigits);
        if (date.isValid() && date.year() < 1930) date = date.addYears(100);
    }
    if (!date.isValid()) date = locale_.toDate(text, longFormat_);
    std::optional<CalendarDate> result;
    if (date.isValid()) result = ToCalendarDate(date);
    cache_.insert(text, result);
    return result;
}

}  // namespace keyloft
