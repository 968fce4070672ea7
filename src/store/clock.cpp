#include "store/clock.h"

#include <chrono>
#include <ctime>

namespace keyloft {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::int64_t LocalTime::localEpochMilliseconds() const {
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return ((days * 24 + hour) * 60 + minute) * 60000 + static_cast<std::int64_t>(second) * 1000 +
           millisecond;
}

double LocalTime::secondsSinceMidnight() const {
    return hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0;
}

LocalTime SystemClock::now() const {
    const auto instant = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(instant);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch()) % 1000;
    std::tm parts{};
    // localtime is not re-entrant; the program reads the clock on one thread only.
    if (const std::tm* local = std::localtime(&seconds)) {
        parts = *local;
    }
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond = static_cast<int>(ms.count() < 0 ? ms.count() + 1000 : ms.count());
    return t;
}

}  // namespace keyloft
