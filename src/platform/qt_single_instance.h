#pragma once
// Detects another running copy of the program for the same user: a lock file in the user's
// runtime folder, held for the life of the process. A copy that crashed leaves a stale lock that
// the next start takes over.

#include <memory>

#include <QString>

class QLockFile;

namespace keyloft::platform {

class SingleInstanceGuard {
public:
    // `lockFilePath` empty: "keyloft.lock" in the runtime folder (else the temporary folder).
    explicit SingleInstanceGuard(QString lockFilePath = {});
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True when this process now holds the lock (no other copy is running).
    bool tryAcquire();
    const QString& lockFilePath() const { return path_; }

    static QString defaultLockFilePath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace keyloft::platform
