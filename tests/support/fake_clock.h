#pragma once
// A clock that shows the time a test sets.

#include "store/clock.h"

namespace keyloft::testing {

class FakeClock : public Clock {
public:
    FakeClock() {
        time.year = 2026;
        time.month = 12;
        time.day = 7;
        time.hour = 16;
        time.minute = 57;
        time.second = 18;
        time.millisecond = 273;
    }
    LocalTime now() const override { return time; }
    LocalTime time;
};

}  // namespace keyloft::testing
