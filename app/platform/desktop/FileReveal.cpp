#include "app/platform/desktop/FileReveal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFile>
#include <QStringList>
#include <QUrl>

namespace platform::desktop {
namespace {

QUrl fileUrl(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QFile::decodeName(path.native().c_str()));
}

void openFolder(const std::filesystem::path& folder) {
    QDesktopServices::openUrl(fileUrl(folder));
}

} // namespace

void revealFile(const std::filesystem::path& file) {
    const std::filesystem::path folder = file.parent_path();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItems"));
    call << QStringList{QString::fromUtf8(fileUrl(file).toEncoded())} << QString();
    // Activating a file manager can take a while; the caller never waits for it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10000), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, folder] {
        if (watcher->isError()) openFolder(folder);
        watcher->deleteLater();
    });
}

} // namespace platform::desktop
