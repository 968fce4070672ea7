#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/qt_single_instance.h"

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

}  // namespace
}  // namespace keyloft::platform
