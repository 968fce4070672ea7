#pragma once
// Expiry dates of entries: what a typed or stored text means, what is stored for it, and when an
// entry is due. The window and the command-line tool read and write dates only through here.
//
// Read (after trimming blanks):
//   MM/YY          as printed on cards: the first day of month MM of 20YY
//   M/YYYY         a month with a four-digit year: its first day, stored in the card form when the
//                  year is 2000-2099 (so that every copy of the program reads it)
//   yyyy-MM-dd     one- or two-digit month and day accepted
//   d/M/y          numbers with "/", "." or "-" between them and a year of 2 or 4 digits (a
//                  two-digit year lands in 1930-2029). A first number over 12 makes it day first,
//                  a second number over 12 month first; otherwise the caller's DateOrder decides.
// Stored: MM/YY as typed, every other date as yyyy-MM-dd, which reads back the same everywhere.

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace keyloft {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
    auto operator<=>(const CalendarDate&) const = default;
};

// Whether an ambiguous numeric date such as 3/4/2027 starts with the day or the month.
enum class DateOrder { DayFirst, MonthFirst };

// The order of a POSIX locale name such as "en_US.UTF-8": month first for English as written in
// the United States, its territories and the Philippines, day first for every other name
// (including "C" and "POSIX").
DateOrder DateOrderOfLocaleName(std::string_view localeName);

// Exactly five characters with "/" third: the card form, which is stored as typed.
bool IsCardForm(std::u16string_view text);

// A real day of the Gregorian calendar (years 1 to 9999).
bool IsValidDate(const CalendarDate& date);

// yyyy-MM-dd.
std::u16string IsoDateText(const CalendarDate& date);

// Reads expiry texts: the rules above, then whatever readMore adds (the window adds the forms of
// the user's locale).
class ExpiryDateReader {
  public:
    explicit ExpiryDateReader(DateOrder order) : order_(order) {}
    virtual ~ExpiryDateReader() = default;

    DateOrder order() const { return order_; }

    // The date a text stands for; nothing for an empty text and for a text that is not a date.
    std::optional<CalendarDate> read(std::u16string_view text) const;

    // The text to store for what the user typed: empty for an empty (or blank) text, the card
    // form as typed, any other date as yyyy-MM-dd. Nothing when the text is not a date.
    std::optional<std::u16string> textToStore(std::u16string_view typed) const;

    // A stored text that is a date due within 7 days of today, or past. Never true for texts
    // that are not dates.
    bool isDue(std::u16string_view stored, const CalendarDate& today) const;

    // The forms read, with an example of each in this reader's day order, for a refused text.
    std::u16string acceptedForms() const;

  protected:
    // Tried on a trimmed, non-empty text that the rules above did not read.
    virtual std::optional<CalendarDate> readMore(std::u16string_view trimmed) const;

  private:
    DateOrder order_;
};

// The date is at most 7 days after today (today and past dates included).
bool IsDueWithinAWeek(const CalendarDate& date, const CalendarDate& today);

}  // namespace keyloft
