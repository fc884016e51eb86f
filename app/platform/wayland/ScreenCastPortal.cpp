#include "app/platform/wayland/ScreenCastPortal.h"

#include <fcntl.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QUuid>
#include <qcoro/qcorodbuspendingcall.h>

#include "app/base/SettingsStore.h"
#include "app/platform/wayland/PortalRequest.h"
#include "kit/Error.h"

namespace platform::wayland {

namespace {

std::string text(const char* source) {
    return QCoreApplication::translate("ScreenCastPortal", source).toStdString();
}

using namespace std::chrono_literals;

const QString screenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
// The desktop may show its sharing dialog and wait for the user.
constexpr auto answerLimit = std::chrono::milliseconds(5min);
constexpr unsigned monitorSource = 1;
constexpr unsigned cursorEmbedded = 2;
// Kept until the user revokes it.
constexpr unsigned persistUntilRevoked = 2;
constexpr long long declinedCode = -3801;
constexpr std::string_view tokenKey = "screenCastRestoreToken";

struct Stream {
    std::uint32_t node = 0;
    QRect area;
};

// The Start answer's "streams": a(ua{sv}), each with the monitor's position and size.
std::vector<Stream> streamsOf(const QVariant& value) {
    std::vector<Stream> streams;
    const QDBusArgument argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        Stream stream;
        QVariantMap properties;
        argument.beginStructure();
        argument >> stream.node >> properties;
        argument.endStructure();
        const auto pair = [&](const char* key) {
            int a = 0, b = 0;
            const QDBusArgument inner = properties.value(QLatin1String(key)).value<QDBusArgument>();
            inner.beginStructure();
            inner >> a >> b;
            inner.endStructure();
            return QPoint(a, b);
        };
        const QPoint position = properties.contains(QStringLiteral("position")) ? pair("position") : QPoint();
        const QPoint size = properties.contains(QStringLiteral("size")) ? pair("size") : QPoint();
        stream.area = QRect(position, QSize(size.x(), size.y()));
        streams.push_back(stream);
    }
    argument.endArray();
    return streams;
}

} // namespace

ScreenCastPortal::ScreenCastPortal(std::string token, TokenStore keepToken, QDBusConnection bus)
    : token_(std::move(token)), keepToken_(std::move(keepToken)), bus_(std::move(bus)) {}

std::unique_ptr<ScreenCastPortal> ScreenCastPortal::keepingChoiceIn(SettingsStore& store, QDBusConnection bus) {
    return std::make_unique<ScreenCastPortal>(
        store.stringValue(tokenKey).value_or(""),
        [&store](const std::string& token) { store.setString(tokenKey, token); }, std::move(bus));
}

ScreenCastPortal::~ScreenCastPortal() { close(); }

void ScreenCastPortal::close() {
    if (session_.isEmpty()) return;
    bus_.call(QDBusMessage::createMethodCall(PortalRequest::service, session_,
                                             QStringLiteral("org.freedesktop.portal.Session"),
                                             QStringLiteral("Close")),
              QDBus::NoBlock);
    session_.clear();
}

QCoro::Task<QVariantMap> ScreenCastPortal::ask(QString method, QVariantList arguments, QVariantMap options) {
    PortalRequest request(bus_);
    const PortalResponse response =
        co_await request.call(screenCast, method, std::move(arguments), std::move(options), text(missingSentence), answerLimit);
    if (response.code == 1)
        throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenCastPortal", "Screen recording was not allowed.")), std::string(kit::ErrorDomain::screenCaptureStream),
                         declinedCode);
    if (response.code != 0) throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenCastPortal", "The desktop couldn't share the screen.")));
    co_return response.results;
}

QCoro::Task<ScreenCastPortal::Grant> ScreenCastPortal::open() {
    close();
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"),
                   QStringLiteral("glimpo_") + QUuid::createUuid().toString(QUuid::Id128));
    const QVariantMap created = co_await ask(QStringLiteral("CreateSession"), QVariantList(), std::move(options));
    session_ = created.value(QStringLiteral("session_handle")).toString();
    if (session_.isEmpty()) throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenCastPortal", "The desktop couldn't share the screen.")));

    QVariantMap sources;
    sources.insert(QStringLiteral("types"), monitorSource);
    sources.insert(QStringLiteral("multiple"), false);
    sources.insert(QStringLiteral("cursor_mode"), cursorEmbedded);
    sources.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
    if (!token_.empty()) sources.insert(QStringLiteral("restore_token"), QString::fromStdString(token_));
    QVariantList onSession;
    onSession.append(QVariant::fromValue(QDBusObjectPath(session_)));
    co_await ask(QStringLiteral("SelectSources"), onSession, std::move(sources));

    QVariantList startArguments = onSession;
    startArguments.append(QString()); // no parent window
    const QVariantMap started = co_await ask(QStringLiteral("Start"), std::move(startArguments), QVariantMap());
    const std::vector<Stream> streams = streamsOf(started.value(QStringLiteral("streams")));
    if (streams.empty()) throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenCastPortal", "The desktop shared no screen.")));
    if (const QString token = started.value(QStringLiteral("restore_token")).toString(); !token.isEmpty()) {
        token_ = token.toStdString();
        if (keepToken_) keepToken_(token_);
    }

    QDBusMessage remote = QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::path, screenCast,
                                                         QStringLiteral("OpenPipeWireRemote"));
    QVariantList remoteArguments = onSession;
    remoteArguments.append(QVariantMap());
    remote.setArguments(remoteArguments);
    const QDBusPendingCall pending = bus_.asyncCall(remote);
    const QDBusMessage reply = co_await pending;
    const QDBusUnixFileDescriptor descriptor = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (reply.type() == QDBusMessage::ErrorMessage || !descriptor.isValid())
        throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenCastPortal", "The desktop couldn't share the screen.")));

    Grant grant;
    grant.fd = fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 3);
    if (grant.fd < 0) throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenCastPortal", "The desktop couldn't share the screen.")));
    grant.node = streams.front().node;
    grant.area = streams.front().area;
    co_return grant;
}

} // namespace platform::wayland
