#pragma once
// Expiry dates as the window reads them: the common rules of store/expiry_date.h with the order of
// the user's locale, then the locale's own short and long date forms (for example "8 Dec 2026"
// or "Tuesday, December 8, 2026"), which older versions wrote into profiles.

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>
#include <optional>

#include "store/expiry_date.h"

namespace keyloft {

// Month first when the locale's short date form starts with the month (M/d/yy), else day first.
DateOrder DateOrderOf(const QLocale& locale);

CalendarDate ToCalendarDate(QDate date);

class LocaleDateReader final : public ExpiryDateReader {
  public:
    explicit LocaleDateReader(const QLocale& locale = QLocale());
    const QLocale& locale() const { return locale_; }

  protected:
    std::optional<CalendarDate> readMore(std::u16string_view trimmed) const override;

  private:
    QLocale locale_;
    QString shortFormat_;
    QString longFormat_;
    // The locale's parser is slow; a list reads the same few texts again on every fill.
    mutable QHash<QString, std::optional<CalendarDate>> cache_;
};

}  // namespace keyloft
