// Auto-lock without a window: the minutes it owns, its timer, and the idle time.
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/idle_lock.h"
#include "support/fake_clock.h"

namespace keyloft::testing {
namespace {

TEST(IdleLock, IdleMinutesCountFromTheLastActivity) {
    FakeClock clock;
    IdleLock idle(clock);
    idle.setMinutes(5);
    clock.advanceSeconds(299);
    EXPECT_FALSE(idle.idleLongEnough());
    clock.advanceSeconds(1);
    EXPECT_TRUE(idle.idleLongEnough());
    idle.recordActivity();
    EXPECT_FALSE(idle.idleLongEnough());
    EXPECT_EQ(idle.lastActivity().localEpochMilliseconds(), clock.now().localEpochMilliseconds());
}

TEST(IdleLock, MinutesStayBetweenFiveAndSixty) {
    FakeClock clock;
    IdleLock idle(clock);
    EXPECT_EQ(idle.minutes(), 5);
    for (const auto& [asked, kept] : {std::pair{0, 5}, {-3, 5}, {7, 7}, {60, 60}, {1000, 60}}) {
        idle.setMinutes(asked);
        EXPECT_EQ(idle.minutes(), kept) << asked;
    }
}

TEST(IdleLock, TheTimerRunsWhileOnAndATickSaysWhenTheWindowIsIdle) {
    FakeClock clock;
    IdleLock idle(clock);
    auto* timer = idle.findChild<QTimer*>(QStringLiteral("tmrLock"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 60000);
    EXPECT_FALSE(timer->isActive());
    idle.resume();
    EXPECT_FALSE(timer->isActive()) << "off: Unlock starts nothing";
    idle.setOn(true);
    EXPECT_TRUE(timer->isActive());

    QSignalSpy idles(&idle, &IdleLock::idle);
    clock.advanceSeconds(299);
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_EQ(idles.count(), 0);
    clock.advanceSeconds(1);
    QMetaObject::invokeMethod(timer, "timeout");
    EXPECT_EQ(idles.count(), 1);

    idle.pause();
    EXPECT_FALSE(timer->isActive());
    EXPECT_TRUE(idle.isOn()) << "auto-lock stays chosen";
    idle.resume();
    EXPECT_TRUE(timer->isActive());
    idle.setOn(false);
    EXPECT_FALSE(timer->isActive());
}

}  // namespace
}  // namespace keyloft::testing
