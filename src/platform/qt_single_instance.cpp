#include "platform/qt_single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace keyloft::platform {

SingleInstanceGuard::SingleInstanceGuard(QString lockFilePath)
    : path_(lockFilePath.isEmpty() ? defaultLockFilePath() : std::move(lockFilePath)) {}

SingleInstanceGuard::~SingleInstanceGuard() = default;

namespace {

constexpr char kShowRequest[] = "show\n";
constexpr int kAnswerMs = 3000;

}  // namespace

// Beside the lock file (a socket in the user's own runtime folder); where local sockets are named
// pipes, a name made from the lock file's path.
QString SingleInstanceGuard::serverName() const {
#ifdef _WIN32
    return QStringLiteral("keyloft-") +
           QString::fromLatin1(
               QCryptographicHash::hash(path_.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
#else
    return path_ + QStringLiteral(".socket");
#endif
}

bool SingleInstanceGuard::listenForShowRequests(QObject* context, std::function<void()> show) {
    if (path_.isEmpty() || !lock_ || !lock_->isLocked()) return false;
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a copy that crashed: this copy holds the lock, so nobody else listens.
    QLocalServer::removeServer(serverName());
    if (!server_->listen(serverName())) {
        server_.reset();
        return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, context, [this, context, show] {
        while (QLocalSocket* caller = server_->nextPendingConnection()) {
            QObject::connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            QObject::connect(caller, &QLocalSocket::readyRead, context, [caller, show] {
                // Only the one short request is understood; anything else is dropped.
                if (!caller->canReadLine() && caller->bytesAvailable() < 16) return;
                if (caller->readLine(16) == kShowRequest) show();
                caller->disconnectFromServer();
            });
        }
    });
    return true;
}

bool SingleInstanceGuard::askRunningCopyToShow() const {
    if (path_.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(kAnswerMs)) return false;
    socket.write(kShowRequest);
    const bool sent = socket.waitForBytesWritten(kAnswerMs);
    socket.disconnectFromServer();  // what was written is still read by the other copy
    return sent;
}

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
