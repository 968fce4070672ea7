#include "cli/expiry_date.h"

#include <cstdio>
#include <vector>

#include "cli/text.h"

namespace keyloft::cli {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

// Digits only, 1 to maxDigits of them.
std::optional<int> Number(std::u16string_view text, std::size_t minDigits, std::size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits) return std::nullopt;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value;
}

std::vector<std::u16string_view> Split(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::u16string_view::npos ? at : at - start));
        if (at == std::u16string_view::npos) return parts;
        start = at + 1;
    }
}

int CenturyForTwoDigits(int year) { return year < 30 ? 2000 + year : 1900 + year; }

std::u16string Iso(int year, int month, int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return AsciiToUtf16(text);
}

}  // namespace

bool IsMonthYearForm(std::u16string_view text) { return text.size() == 5 && text[2] == u'/'; }

std::optional<std::u16string> NormalizeExpiryDate(std::u16string_view typed) {
    const std::u16string text = TrimBlanks(typed);
    if (text.empty()) return text;

    if (IsMonthYearForm(text)) {
        const auto month = Number(std::u16string_view(text).substr(0, 2), 2, 2);
        const auto year = Number(std::u16string_view(text).substr(3, 2), 2, 2);
        if (month && year && IsValidDate(CenturyForTwoDigits(*year), *month, 1)) return text;
        return std::nullopt;
    }

    if (const auto parts = Split(text, u'-'); parts.size() == 3) {
        const auto year = Number(parts[0], 4, 4);
        const auto month = Number(parts[1], 1, 2);
        const auto day = Number(parts[2], 1, 2);
        if (year && month && day && IsValidDate(*year, *month, *day)) return Iso(*year, *month, *day);
        return std::nullopt;
    }

    if (const auto parts = Split(text, u'/'); parts.size() == 3) {
        const auto day = Number(parts[0], 1, 2);
        const auto month = Number(parts[1], 1, 2);
        std::optional<int> year;
        if (parts[2].size() == 2) {
            if (const auto shortYear = Number(parts[2], 2, 2)) year = CenturyForTwoDigits(*shortYear);
        } else {
            year = Number(parts[2], 4, 4);
        }
        if (year && month && day && IsValidDate(*year, *month, *day)) return Iso(*year, *month, *day);
    }
    return std::nullopt;
}

}  // namespace keyloft::cli
