#pragma once
// The clock seam: local date and time. Tests use a fake that they set by hand.

#include <cstdint>

namespace keyloft {

struct LocalTime {
    int year = 1899, month = 12, day = 30;  // the zero date
    int hour = 0, minute = 0, second = 0;
    int millisecond = 0;
    // Milliseconds since 1970-01-01 in local time; used for differences (idle time).
    std::int64_t localEpochMilliseconds() const;
    // Seconds since midnight with their fraction (what the profile key is made from).
    double secondsSinceMidnight() const;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The real clock (standard library local time).
class SystemClock final : public Clock {
  public:
    LocalTime now() const override;
};

}  // namespace keyloft
