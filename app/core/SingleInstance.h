#pragma once
// Keeps one running Glimpo per user. The first launch becomes the primary: it holds an exclusive
// lock and listens on a local socket; a later launch finds the lock taken, asks the primary to
// reopen (show its settings) and exits. Both files live in $XDG_RUNTIME_DIR, or else in a private
// folder of the user's (checked, never through a link). A crashed primary's lock dies with it,
// and its socket file is replaced by the next primary.

#include "app/base/Log.h"

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name = QStringLiteral("org.glimpo.Glimpo"),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this object is (now) the primary; false when another one runs. Of any number of
    // simultaneous launches exactly one succeeds. If the lock cannot be used at all, this logs the
    // failure and answers true: running unguarded beats not running.
    bool tryBecomePrimary();
    bool isPrimary() const { return primary_; }

    // From a secondary: hands the primary a request (one lower-case word: "reopen", "area", ...,
    // which may be followed by a space and printable ASCII),
    // waiting up to `timeoutMs` for it to confirm. True only when the primary acknowledged it.
    // Blocking; touches no state of this object, so it may run on any thread.
    bool notifyPrimary(const QString& request = QStringLiteral("reopen"), int timeoutMs = 2000) const;

    QString socketPath() const { return socketPath_; }
    QString lockPath() const { return lockPath_; }

signals:
    // The primary received a request from another launch.
    void requested(const QString& request);

private:
    struct Lock;

    QString instanceFolder(const QString& name) const;
    void listen();
    void acceptConnections();
    void readRequest(QLocalSocket* socket);

    QString socketPath_;
    QString lockPath_;
    bool primary_ = false;
    std::unique_ptr<Lock> lock_;
    std::unique_ptr<QLocalServer> server_;
    Logger log_{"app"};
};
