// The command-line tool's expiry-date reader: the input as a typed UTF-8 argument, and (when it
// has an even length) as UTF-16 code units, which is how an expiry text sits in a profile.
// Checks: an accepted date is empty, MM/YY as typed, or a ten-character yyyy-MM-dd; and the text
// stored reads back as itself.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "cli/expiry_date.h"
#include "cli/text.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "expiry date check failed: %s\n", what);
    std::abort();
}

bool IsoShape(std::u16string_view text) {
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-') return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < u'0' || text[i] > u'9') return false;
    }
    return true;
}

void Check(std::u16string_view typed) {
    const std::optional<std::u16string> stored = keyloft::cli::NormalizeExpiryDate(typed);
    if (!stored) return;
    if (!stored->empty() && !keyloft::cli::IsMonthYearForm(*stored) && !IsoShape(*stored))
        Fail("an accepted date is stored in another form");
    if (keyloft::cli::IsMonthYearForm(*stored) && *stored != keyloft::cli::TrimBlanks(typed))
        Fail("a month-and-year date is not kept as typed");
    if (keyloft::cli::NormalizeExpiryDate(*stored) != stored) Fail("a stored date reads back otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(keyloft::cli::FromUtf8Lenient(bytes));
    if (size % 2 == 0) {
        std::u16string units(size / 2, u'\0');
        for (std::size_t i = 0; i < units.size(); ++i) {
            units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        }
        Check(units);
    }
    return 0;
}
