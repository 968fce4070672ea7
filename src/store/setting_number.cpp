#include "store/setting_number.h"

#include <charconv>
#include <limits>
#include <string>

namespace keyloft {

std::optional<double> LeadingNumber(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    std::string number;
    bool digits = false;
    const auto takeDigits = [&] {
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            number += static_cast<char>(text[i]);
            digits = true;
        }
    };
    takeDigits();
    if (i < text.size() && text[i] == u'.') {
        number += '.';
        ++i;
        takeDigits();
    }
    if (!digits) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Past what a double holds: over 300 digits before the point, or as many zeros after it.
        const bool whole = number.substr(0, number.find('.')).find_first_not_of('0') != std::string::npos;
        value = whole ? std::numeric_limits<double>::max() : 0.0;
    } else if (error != std::errc() || end != number.data() + number.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace keyloft
