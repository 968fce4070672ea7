#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include "platform/qt_single_instance.h"
#include "support/gui_widget_helpers.h"

namespace keyloft::platform {
namespace {

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstGoes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keyloft.lock"));
    auto first = std::make_unique<SingleInstanceGuard>(path);
    ASSERT_TRUE(first->tryAcquire());
    EXPECT_TRUE(first->tryAcquire());  // asking again keeps it

    SingleInstanceGuard second(path);
    EXPECT_FALSE(second.tryAcquire());
    first.reset();
    EXPECT_TRUE(second.tryAcquire());
}

TEST(SingleInstance, ALockLeftByAProgramThatNoLongerRunsIsTakenOver) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keyloft.lock"));
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    // A process id above the kernel's largest possible one cannot be running.
    stale.write("4194305\nkeyloft\n\n");
    stale.close();
    SingleInstanceGuard guard(path);
    EXPECT_TRUE(guard.tryAcquire());
}

// The copy that holds the lock takes a later start's request to show its window. Nothing else
// that arrives there does anything, and a copy without the lock does not listen.
TEST(SingleInstance, ALaterStartAsksTheRunningCopyToShowItsWindow) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keyloft.lock"));
    SingleInstanceGuard running(path);
    ASSERT_TRUE(running.tryAcquire());
    QObject window;
    int shown = 0;
    ASSERT_TRUE(running.listenForShowRequests(&window, [&shown] { ++shown; }));
    SingleInstanceGuard later(path);
    EXPECT_FALSE(later.tryAcquire());
    EXPECT_FALSE(later.listenForShowRequests(&window, [] {}));
#ifndef _WIN32
    QLocalSocket stranger;
    stranger.connectToServer(path + QStringLiteral(".socket"));
    ASSERT_TRUE(stranger.waitForConnected(3000));
    stranger.write("open the last profile\n");
    ASSERT_TRUE(stranger.waitForBytesWritten(3000));
    EXPECT_TRUE(
        QTest::qWaitFor([&stranger] { return stranger.state() == QLocalSocket::UnconnectedState; }, 3000));
    EXPECT_EQ(shown, 0);
#endif
    bool asked = false;
    ASSERT_TRUE(testing::RunBesideEvents([&] { asked = later.askRunningCopyToShow(); }));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(QTest::qWaitFor([&shown] { return shown == 1; }, 3000));
}

#ifndef _WIN32
// Sets an environment variable for the life of the object (unset when `value` is null).
class EnvironmentOverride {
  public:
    EnvironmentOverride(const char* name, const QByteArray* value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value) {
            qputenv(name, *value);
        } else {
            qunsetenv(name);
        }
    }
    ~EnvironmentOverride() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

TEST(SingleInstance, TheLockLivesInTheUsersOwnRuntimeFolderAndNeverInASharedOne) {
    QTemporaryDir runtime;
    const QByteArray runtimePath = QFile::encodeName(runtime.path());
    {
        const EnvironmentOverride xdg("XDG_RUNTIME_DIR", &runtimePath);
        EXPECT_EQ(SingleInstanceGuard::defaultLockFilePath(), QDir(runtime.path()).filePath("keyloft.lock"));
    }
    // No runtime folder, and the one Qt would make in the temporary folder is taken by someone
    // else's file: no lock at all rather than one in the shared temporary folder.
    QTemporaryDir shared;
    QFile taken(shared.filePath(QStringLiteral("runtime-") +
                                QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name)));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    const QByteArray sharedPath = QFile::encodeName(shared.path());
    const EnvironmentOverride xdg("XDG_RUNTIME_DIR", nullptr);
    const EnvironmentOverride tmp("TMPDIR", &sharedPath);
    EXPECT_EQ(SingleInstanceGuard::defaultLockFilePath(), QString());
    SingleInstanceGuard guard;
    EXPECT_TRUE(guard.tryAcquire());
    EXPECT_EQ(QDir(shared.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // only the planted file
}
#endif

}  // namespace
}  // namespace keyloft::platform
