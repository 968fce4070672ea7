#include "platform/qt_single_instance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace keyloft::platform {

SingleInstanceGuard::SingleInstanceGuard(QString lockFilePath)
    : path_(lockFilePath.isEmpty() ? defaultLockFilePath() : std::move(lockFilePath)) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

QString SingleInstanceGuard::defaultLockFilePath() {
    // Qt gives the runtime folder only when it belongs to the user and nobody else may enter it.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        return {};
    }
    return QDir(folder).filePath(QStringLiteral("keyloft.lock"));
}

bool SingleInstanceGuard::tryAcquire() {
    if (path_.isEmpty()) {
        return true;
    }
    if (lock_ && lock_->isLocked()) {
        return true;
    }
    lock_ = std::make_unique<QLockFile>(path_);
    // The program holds its lock for hours: never treat it as stale by age. A lock whose owner no
    // longer runs is still taken over, because QLockFile checks the process id.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

}  // namespace keyloft::platform
