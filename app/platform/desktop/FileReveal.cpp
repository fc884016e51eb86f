#include "app/platform/desktop/FileReveal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include "app/base/Log.h"

namespace platform::desktop {
namespace {

QString fileUrl(const std::filesystem::path& path) {
    return QString::fromUtf8(QUrl::fromLocalFile(QFile::decodeName(path.native().c_str())).toEncoded());
}

// Calls one method of the file manager interface with one address; onError runs when no file
// manager answered.
void callFileManager(const QString& method, const std::filesystem::path& path, std::function<void()> onError) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        onError();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"), method);
    call << QStringList{fileUrl(path)} << QString();
    // Activating a file manager can take a while; the caller never waits for it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, onError = std::move(onError)] {
                         if (watcher->isError()) onError();
                         watcher->deleteLater();
                     });
}

// xdg-open fails with a non-zero status when nothing on the desktop opens folders.
void openWithOpener(const std::filesystem::path& folder, std::function<void()> onUnavailable) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        onUnavailable();
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto done = std::make_shared<std::function<void()>>(std::move(onUnavailable));
    QObject::connect(process, &QProcess::finished, process, [process, done](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) (*done)();
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        (*done)();
        process->deleteLater();
    });
    process->start(opener, {QFile::decodeName(folder.native().c_str())});
}

} // namespace

void openFolder(const std::filesystem::path& folder, std::function<void()> onUnavailable) {
    callFileManager(QStringLiteral("ShowFolders"), folder, [folder, onUnavailable = std::move(onUnavailable)] {
        openWithOpener(folder, onUnavailable ? onUnavailable : [] {});
    });
}

void revealFile(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    callFileManager(QStringLiteral("ShowItems"), file, [folder] {
        openFolder(folder, [folder] {
            static const Logger log("thumbnail");
            log.notice("folder not opened path={}", folder.string());
        });
    });
}

} // namespace platform::desktop
