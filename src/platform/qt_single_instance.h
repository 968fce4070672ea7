#pragma once
// Detects another running copy of the program for the same user: a lock file in the user's
// runtime folder, held for the life of the process. A copy that crashed leaves a stale lock that
// the next start takes over. The lock never goes into a folder that other users share (such as
// the temporary folder, where anyone could take the name first): where the system gives the user
// no runtime folder of their own, there is no lock and every start goes ahead.
//
// The copy that holds the lock also listens beside it (a local socket only its user may open) for
// a later start's request to bring its window to the front. The request carries nothing else.

#include <functional>
#include <memory>

#include <QString>

class QLocalServer;
class QLockFile;
class QObject;

namespace keyloft::platform {

class SingleInstanceGuard {
  public:
    // `lockFilePath` empty: "keyloft.lock" in the user's runtime folder.
    explicit SingleInstanceGuard(QString lockFilePath = {});
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True when this process now holds the lock (no other copy is running), and when there is no
    // lock to take.
    bool tryAcquire();
    const QString& lockFilePath() const { return path_; }

    // "keyloft.lock" in the user's runtime folder; empty when the system gives the user none.
    static QString defaultLockFilePath();

    // While this copy holds the lock: `show` runs (in `context`'s thread) whenever a later start
    // asks for the window. False when there is nothing to listen on.
    bool listenForShowRequests(QObject* context, std::function<void()> show);
    // From a copy that did not get the lock: asks the copy that holds it to show its window.
    // False when no copy took the request within a few seconds.
    bool askRunningCopyToShow() const;

  private:
    QString serverName() const;

    QString path_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace keyloft::platform
