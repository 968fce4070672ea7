// The session's state without a window: the unsaved-changes flag, the logon and the idle time.
#include <QSignalSpy>

#include "app/session.h"
#include "window_fixture.h"

namespace keyloft::testing {
namespace {

TEST(SessionState, TheFlagSignalsEachChangeOnce) {
    ManualClock clock;
    keyloft::Session session(clock);
    QSignalSpy changes(&session, &keyloft::Session::dirtyChanged);
    session.setDirty(true);
    session.setDirty(true);
    session.setDirty(false);
    ASSERT_EQ(changes.count(), 2);
    EXPECT_TRUE(changes.at(0).at(0).toBool());
    EXPECT_FALSE(changes.at(1).at(0).toBool());
}

TEST(SessionState, IdleMinutesCountFromTheLastActivity) {
    ManualClock clock;
    keyloft::Session session(clock);
    clock.advanceSeconds(299);
    EXPECT_FALSE(session.idleFor(5));
    clock.advanceSeconds(1);
    EXPECT_TRUE(session.idleFor(5));
    session.recordActivity();
    EXPECT_FALSE(session.idleFor(5));
    EXPECT_FALSE(session.idleFor(0));  // no auto-lock
    clock.advanceSeconds(3600);
    EXPECT_FALSE(session.idleFor(-1));
}

TEST(SessionState, EndingLogsOffAndDropsTheFlag) {
    ManualClock clock;
    keyloft::Session session(clock);
    session.setLoggedOn(true);
    session.setDirty(true);
    session.end();
    EXPECT_FALSE(session.loggedOn());
    EXPECT_FALSE(session.isDirty());
}

}  // namespace
}  // namespace keyloft::testing
