#include "app/platform/wayland/ScreenshotPortal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <system_error>

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QFile>
#include <QUrl>
#include <qcoro/qcorodbuspendingcall.h>

#include "app/base/Log.h"
#include "app/platform/wayland/PortalRequest.h"
#include "kit/Error.h"

namespace platform::wayland {

namespace {

using namespace std::chrono_literals;
using Permissions = QMap<QString, QStringList>;

// The portal may ask the user first.
constexpr auto answerLimit = std::chrono::milliseconds(2min);
// What the capture stream reports when the user declined screen capture.
constexpr long long declinedCode = -3801;

// Removes `file` when it is a regular file of ours, with no other name, made at or after
// `since`. Whole seconds: file systems stamp with a coarse clock, some only to the second.
void removeIfMadeSince(const QString& file, time_t since) {
    const QByteArray path = QFile::encodeName(file);
    struct statx info {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW,
                STATX_TYPE | STATX_UID | STATX_NLINK | STATX_BTIME | STATX_MTIME, &info) != 0)
        return;
    const struct statx_timestamp made = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_mtime;
    if (!S_ISREG(info.stx_mode) || info.stx_uid != ::geteuid() || info.stx_nlink != 1 || made.tv_sec < since) {
        Logger("capture").debug("portal file kept file={}", file.toStdString());
        return;
    }
    ::unlink(path.constData());
}

} // namespace

ScreenshotPortal::ScreenshotPortal(QDBusConnection bus, std::filesystem::path picturesFolder)
    : bus_(std::move(bus)), picturesFolder_(std::move(picturesFolder)) {}

QCoro::Task<QImage> ScreenshotPortal::take() {
    if (!picturesFolder_.empty()) {
        // Without it the portal answers as if the user had cancelled.
        std::error_code ignored;
        std::filesystem::create_directories(picturesFolder_, ignored);
    }
    timespec started{};
    clock_gettime(CLOCK_REALTIME_COARSE, &started);
    PortalRequest request(bus_);
    QVariantList arguments;
    arguments.append(QString()); // no parent window
    QVariantMap options;
    options.insert(QStringLiteral("interactive"), false);
    options.insert(QStringLiteral("modal"), false);
    const PortalResponse response =
        co_await request.call(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
                              std::move(arguments), std::move(options), missingSentence, answerLimit);
    if (response.code != 0) {
        // The answer's code can't tell: the frontend answers a refusal as a failure, KDE a failure
        // as a cancel.
        if (co_await refusalOnRecord())
            throw kit::Error(declinedSentence, std::string(kit::ErrorDomain::screenCaptureStream), declinedCode);
        throw kit::Error("The desktop couldn't take the screenshot.");
    }

    const QString file = QUrl(response.results.value(QStringLiteral("uri")).toString()).toLocalFile();
    QImage picture(file);
    // The desktop saves each picture where the user keeps files; they are Glimpo's to remove.
    if (!file.isEmpty()) removeIfMadeSince(file, started.tv_sec);
    if (picture.isNull()) throw kit::Error("The desktop's screenshot couldn't be read.");
    co_return picture.convertToFormat(QImage::Format_RGB32);
}

QCoro::Task<bool> ScreenshotPortal::refusalOnRecord() {
    qDBusRegisterMetaType<Permissions>();
    QDBusMessage lookup = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
        QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), QStringLiteral("Lookup"));
    lookup << QStringLiteral("screenshot") << QStringLiteral("screenshot");
    const QDBusPendingCall pending = bus_.asyncCall(lookup, 5000);
    const QDBusMessage reply = co_await pending;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) co_return false;
    // Programs outside a sandbox have the empty application id.
    const Permissions permissions = qdbus_cast<Permissions>(reply.arguments().constFirst());
    co_return permissions.value(QString()) == QStringList{QStringLiteral("no")};
}

} // namespace platform::wayland
