#pragma once
// Expiry dates typed on the command line. Accepted (after trimming blanks):
//   empty                  no expiry date
//   MM/YY                  month and two-digit year, as printed on cards; kept as typed
//   yyyy-MM-dd             ISO date
//   d/M/yyyy, d/M/yy       day, month, year (a two-digit year lands in 1930-2029)
// Dates other than MM/YY are stored in the ISO form, which the window reads in every locale.

#include <optional>
#include <string>
#include <string_view>

namespace keyloft::cli {

// The text to store, or nothing when the text is not a valid date.
std::optional<std::u16string> NormalizeExpiryDate(std::u16string_view typed);

// Five characters with "/" third: the month-and-year form.
bool IsMonthYearForm(std::u16string_view text);

}  // namespace keyloft::cli
