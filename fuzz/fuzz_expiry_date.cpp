// The expiry-date reader of the window and the command-line tool, in both date orders: the input as
// a typed UTF-8 text, and (when it has an even length) as UTF-16 code units, which is how an expiry
// text sits in a profile. Checks: an accepted date is empty, MM/YY (as typed, or for a month typed
// with a four-digit year), or a ten-character yyyy-MM-dd; the text stored reads back as itself and as the
// same date; a date that reads is due today or never, never both ways at once.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "store/expiry_date.h"
#include "store/text_convert.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "expiry date check failed: %s\n", what);
    std::abort();
}

bool Digits(std::u16string_view text) {
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return !text.empty();
}

// M/YYYY or MM/YYYY, which is stored in the card form.
bool MonthWithFullYear(std::u16string_view text) {
    const std::size_t slash = text.find(u'/');
    if (slash == std::u16string_view::npos || slash == 0 || slash > 2) return false;
    return Digits(text.substr(0, slash)) && text.size() - slash - 1 == 4 && Digits(text.substr(slash + 1));
}

bool IsoShape(std::u16string_view text) {
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < u'0' || text[i] > u'9') return false;
    }
    return true;
}

void Check(const keyloft::ExpiryDateReader& dates, std::u16string_view typed) {
    const std::optional<std::u16string> stored = dates.textToStore(typed);
    if (!stored) return;
    if (!stored->empty() && !keyloft::IsCardForm(*stored) && !IsoShape(*stored))
        Fail("an accepted date is stored in another form");
    const std::u16string_view trimmed = keyloft::TrimBlanks(typed);
    if (keyloft::IsCardForm(*stored) && *stored != trimmed && !MonthWithFullYear(trimmed))
        Fail("a month-and-year date is not kept as typed");
    if (dates.textToStore(*stored) != stored) Fail("a stored date reads back otherwise");
    if (dates.read(*stored) != dates.read(typed)) Fail("the stored text means another date");
    const auto date = dates.read(*stored);
    if (date && !keyloft::IsValidDate(*date)) Fail("a date that does not exist was accepted");
}

void CheckBothOrders(std::u16string_view typed) {
    static const keyloft::ExpiryDateReader dayFirst(keyloft::DateOrder::DayFirst);
    static const keyloft::ExpiryDateReader monthFirst(keyloft::DateOrder::MonthFirst);
    Check(dayFirst, typed);
    Check(monthFirst, typed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckBothOrders(keyloft::Utf8ToUtf16(bytes));
    if (size % 2 == 0) {
        std::u16string units(size / 2, u'\0');
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        }
        CheckBothOrders(units);
    }
    return 0;
}
