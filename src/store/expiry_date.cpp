#include "store/expiry_date.h"

#include <array>
#include <chrono>

#include "store/text_convert.h"

namespace keyloft {
namespace {

// Digits only, minDigits to maxDigits of them.
std::optional<int> Number(std::u16string_view text, std::size_t minDigits, std::size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits) return std::nullopt;
    int value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value;
}

std::optional<CalendarDate> Checked(CalendarDate date) {
    if (IsValidDate(date)) return date;
    return std::nullopt;
}

// Three parts separated twice by the same separator, one of "/", "." and "-".
std::optional<std::array<std::u16string_view, 3>> ThreeParts(std::u16string_view text) {
    const std::size_t first = text.find_first_of(u"/.-");
    if (first == std::u16string_view::npos) return std::nullopt;
    const char16_t separator = text[first];
    const std::size_t second = text.find(separator, first + 1);
    if (second == std::u16string_view::npos || text.find(separator, second + 1) != std::u16string_view::npos)
        return std::nullopt;
    return std::array{text.substr(0, first), text.substr(first + 1, second - first - 1),
                      text.substr(second + 1)};
}

std::optional<CalendarDate> ReadCardForm(std::u16string_view text) {
    const auto month = Number(text.substr(0, 2), 2, 2);
    const auto year = Number(text.substr(3, 2), 2, 2);
    if (!month || !year) return std::nullopt;
    return Checked({2000 + *year, *month, 1});
}

// M/YYYY: a month.
std::optional<CalendarDate> ReadMonthForm(std::u16string_view text) {
    const std::size_t slash = text.find(u'/');
    if (slash == std::u16string_view::npos) return std::nullopt;
    const auto month = Number(text.substr(0, slash), 1, 2);
    const auto year = Number(text.substr(slash + 1), 4, 4);
    if (!month || !year) return std::nullopt;
    return Checked({*year, *month, 1});
}

std::u16string CardFormText(const CalendarDate& date) {
    std::u16string text = u"00/00";
    text[0] = static_cast<char16_t>(u'0' + date.month / 10);
    text[1] = static_cast<char16_t>(u'0' + date.month % 10);
    text[3] = static_cast<char16_t>(u'0' + date.year / 10 % 10);
    text[4] = static_cast<char16_t>(u'0' + date.year % 10);
    return text;
}

std::optional<CalendarDate> ReadNumeric(std::u16string_view text, DateOrder order) {
    const auto parts = ThreeParts(text);
    if (!parts) return std::nullopt;
    const auto& [a, b, c] = *parts;
    if (a.size() == 4) {  // yyyy-MM-dd
        if (text[4] != u'-') return std::nullopt;
        const auto year = Number(a, 4, 4);
        const auto month = Number(b, 1, 2);
        const auto day = Number(c, 1, 2);
        if (!year || !month || !day) return std::nullopt;
        return Checked({*year, *month, *day});
    }
    const auto first = Number(a, 1, 2);
    const auto second = Number(b, 1, 2);
    std::optional<int> year;
    if (c.size() == 2) {
        if (const auto shortYear = Number(c, 2, 2))
            year = *shortYear < 30 ? 2000 + *shortYear : 1900 + *shortYear;
    } else {
        year = Number(c, 4, 4);
    }
    if (!first || !second || !year) return std::nullopt;
    bool dayFirst = order == DateOrder::DayFirst;
    if (*first > 12) dayFirst = true;
    if (*second > 12) dayFirst = false;
    return dayFirst ? Checked({*year, *second, *first}) : Checked({*year, *first, *second});
}

std::chrono::sys_days Days(const CalendarDate& date) {
    return std::chrono::sys_days{std::chrono::year{date.year} /
                                 std::chrono::month{static_cast<unsigned>(date.month)} /
                                 std::chrono::day{static_cast<unsigned>(date.day)}};
}

}  // namespace

DateOrder DateOrderOfLocaleName(std::string_view localeName) {
    // language_TERRITORY[.codeset][@modifier]
    const std::size_t end = localeName.find_first_of(".@");
    const std::string_view name = localeName.substr(0, end);
    if (name.size() != 5 || name.substr(0, 3) != "en_") return DateOrder::DayFirst;
    for (const std::string_view territory : {"US", "AS", "GU", "MP", "PR", "UM", "VI", "PH"})
        if (name.substr(3) == territory) return DateOrder::MonthFirst;
    return DateOrder::DayFirst;
}

bool IsCardForm(std::u16string_view text) { return text.size() == 5 && text[2] == u'/'; }

bool IsValidDate(const CalendarDate& date) {
    if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1) return false;
    const std::chrono::year_month_day ymd{std::chrono::year{date.year},
                                          std::chrono::month{static_cast<unsigned>(date.month)},
                                          std::chrono::day{static_cast<unsigned>(date.day)}};
    return ymd.ok();
}

std::u16string IsoDateText(const CalendarDate& date) {
    std::u16string text = u"0000-00-00";
    const auto put = [&text](std::size_t end, int value) {
        for (std::size_t i = end; value > 0; --i, value /= 10)
            text[i] = static_cast<char16_t>(u'0' + value % 10);
    };
    put(3, date.year);
    put(6, date.month);
    put(9, date.day);
    return text;
}

std::optional<CalendarDate> ExpiryDateReader::read(std::u16string_view text) const {
    const std::u16string_view trimmed = TrimBlanks(text);
    if (trimmed.empty()) return std::nullopt;
    if (IsCardForm(trimmed)) return ReadCardForm(trimmed);
    if (const auto month = ReadMonthForm(trimmed)) return month;
    if (const auto date = ReadNumeric(trimmed, order_)) return date;
    return readMore(trimmed);
}

std::optional<std::u16string> ExpiryDateReader::textToStore(std::u16string_view typed) const {
    const std::u16string_view trimmed = TrimBlanks(typed);
    if (trimmed.empty()) return std::u16string();
    const std::optional<CalendarDate> date = read(trimmed);
    if (!date) return std::nullopt;
    if (IsCardForm(trimmed)) return std::u16string(trimmed);
    if (ReadMonthForm(trimmed) && date->year >= 2000 && date->year <= 2099) return CardFormText(*date);
    return IsoDateText(*date);
}

std::u16string ExpiryDateReader::acceptedForms() const {
    return order_ == DateOrder::DayFirst
               ? u"Type a month as 12/27 or 12/2027, or a day as 2027-12-31 or 31/12/2027."
               : u"Type a month as 12/27 or 12/2027, or a day as 2027-12-31 or 12/31/2027.";
}

bool ExpiryDateReader::isDue(std::u16string_view stored, const CalendarDate& today) const {
    const std::optional<CalendarDate> date = read(stored);
    return date && IsDueWithinAWeek(*date, today);
}

std::optional<CalendarDate> ExpiryDateReader::readMore(std::u16string_view) const { return std::nullopt; }

bool IsDueWithinAWeek(const CalendarDate& date, const CalendarDate& today) {
    return (Days(date) - Days(today)).count() <= 7;
}

}  // namespace keyloft
