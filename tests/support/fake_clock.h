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
    // Moves on by whole seconds (within one day).
    void advanceSeconds(int seconds) {
        int total = time.hour * 3600 + time.minute * 60 + time.second + seconds;
        time.hour = total / 3600;
        total %= 3600;
        time.minute = total / 60;
        time.second = total % 60;
    }
    LocalTime time;
};

}  // namespace keyloft::testing
