#include "app/core/SingleInstance.h"

#include "app/base/BaseDirectories.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr char acknowledgement[] = "ok\n";
// Longer than any request (a word, or an edit with its file's path percent-encoded); anything
// longer is not ours.
constexpr qint64 maximumRequest = 16 * 1024;
constexpr int silentClientMs = 5000;
constexpr unsigned long connectRetryMs = 50;

std::string text(const QString& value) {
    return value.toStdString();
}

// A folder only this user can change: a real folder (no link followed), owned by the user, that
// nobody else may write in. One made here is created when missing, and closed to everyone else.
bool isPrivateFolder(const fs::path& folder, bool create, std::string& reason) {
    if (create && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        reason = std::strerror(errno);
        return false;
    }
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        reason = errno == ELOOP || errno == ENOTDIR ? "not a folder" : std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool usable = ::fstat(fd, &info) == 0 && info.st_uid == ::geteuid();
    reason = usable ? "" : "not owned";
    if (usable && (info.st_mode & (create ? 077 : 022)) != 0) {
        usable = create && ::fchmod(fd, 0700) == 0;
        reason = usable ? "" : "open to others";
    }
    ::close(fd);
    return usable;
}

} // namespace

// $XDG_RUNTIME_DIR when it is the user's private folder. Without it, a name in the shared
// temporary folder is one that another user can take first, so the folder there must prove to be
// ours; if it does not, the user's cache folder serves.
QString SingleInstance::instanceFolder(const QString& name) const {
    std::string reason;
    if (const auto runtime = BaseDirectories::runtimeDir()) {
        if (isPrivateFolder(*runtime, false, reason)) return QFile::decodeName(runtime->c_str());
        log_.error("instance folder refused path={} reason={}", runtime->string(), reason);
    }
    const fs::path shared = fs::path(QFile::encodeName(QDir::tempPath()).toStdString()) /
                            (QFile::encodeName(name).toStdString() + "-" + std::to_string(::geteuid()));
    if (isPrivateFolder(shared, true, reason)) return QFile::decodeName(shared.c_str());
    log_.error("instance folder refused path={} reason={}", shared.string(), reason);
    const fs::path cache = BaseDirectories::cacheHome() / std::string(Log::subsystem);
    std::error_code ignored;
    fs::create_directories(cache.parent_path(), ignored);
    if (isPrivateFolder(cache, true, reason)) return QFile::decodeName(cache.c_str());
    log_.error("instance folder refused path={} reason={}", cache.string(), reason);
    return {};
}


// flock on a file that is never removed: the kernel drops the lock when the holder dies, so a
// crash leaves nothing stale, and two launches racing for it cannot both win. Removing the file
// would reopen that race (a loser could lock an unlinked inode).
struct SingleInstance::Lock {
    explicit Lock(int fd) : fd(fd) {}
    ~Lock() { ::close(fd); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    int fd;
};

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent) {
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString base = instanceFolder(name) + QLatin1Char('/') + name;
    socketPath_ = base + QStringLiteral(".socket");
    lockPath_ = base + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() {
    // The socket goes before the lock is released, so it never removes a successor's socket.
    server_.reset();
    lock_.reset();
}

bool SingleInstance::tryBecomePrimary() {
    if (primary_) {
        return true;
    }

    // Close-on-exec: a program we launch must not keep holding the lock after we quit.
    const int fd = ::open(QFile::encodeName(lockPath_).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        log_.error("instance lock failed path={} error={}", text(lockPath_), std::strerror(errno));
        primary_ = true;
        return true;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid()) {
        // In a shared folder another user could have planted it.
        log_.error("instance lock not owned path={}", text(lockPath_));
        ::close(fd);
        primary_ = true;
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            log_.notice("instance already running");
            return false;
        }
        log_.error("instance lock failed path={} error={}", text(lockPath_), std::strerror(error));
        primary_ = true;
        return true;
    }

    lock_ = std::make_unique<Lock>(fd);
    primary_ = true;
    listen();
    return true;
}

void SingleInstance::listen() {
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_.get(), &QLocalServer::newConnection, this,
            &SingleInstance::acceptConnections);
    // Whoever left a socket file here no longer holds the lock: it is stale.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        log_.error("instance listen failed socket={} error={}", text(socketPath_),
                   text(server_->errorString()));
        server_.reset();
        return;
    }
    log_.info("instance primary socket={}", text(socketPath_));
}

void SingleInstance::acceptConnections() {
    while (server_ && server_->hasPendingConnections()) {
        // A child of the server until it deletes itself on disconnect.
        QLocalSocket* socket = server_->nextPendingConnection();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(silentClientMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0) {
            readRequest(socket);
        }
    }
}

void SingleInstance::readRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maximumRequest) {
            log_.notice("instance request ignored reason=size");
            socket->abort();
        }
        return;
    }
    const QByteArray line = socket->readLine(maximumRequest + 1);
    // One lower-case word, perhaps a space and printable text after it, and a newline; what it
    // means is the receiver's to check.
    static const QRegularExpression wordLine(QStringLiteral("^[a-z]{1,32}( [!-~]+)?\n$"));
    if (!wordLine.match(QString::fromLatin1(line)).hasMatch()) {
        log_.notice("instance request ignored reason=unknown");
        socket->abort();
        return;
    }
    socket->write(acknowledgement);
    socket->flush();
    socket->disconnectFromServer();
    const QString request = QString::fromLatin1(line).trimmed();
    log_.debug("instance request received request={}", request.toStdString());
    emit requested(request);
}

bool SingleInstance::notifyPrimary(const QString& request, int timeoutMs) const {
    if (primary_) {
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    // Never -1: Qt's waits read that as "forever".
    const auto remaining = [&] {
        return static_cast<int>(std::max<qint64>(0, timeoutMs - clock.elapsed()));
    };

    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(remaining())) {
            break;
        }
        socket.abort();
        if (remaining() == 0) {
            return false;
        }
        // The primary may hold the lock but not listen yet.
        QThread::msleep(std::min<unsigned long>(connectRetryMs, remaining()));
    }

    socket.write(request.toLatin1() + '\n');
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining())) {
            return false;
        }
    }
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > maximumRequest || !socket.waitForReadyRead(remaining())) {
            return false;
        }
    }
    return socket.readLine(maximumRequest + 1) == acknowledgement;
}
