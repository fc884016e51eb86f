#include "app/platform/wayland/PortalRequest.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QUuid>
#include <qcoro/qcorodbuspendingcall.h>
#include <qcoro/qcorosignal.h>

#include "kit/Error.h"

namespace platform::wayland {

namespace {

std::string text(const char* source) {
    return QCoreApplication::translate("PortalRequest", source).toStdString();
}

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

bool isMissing(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    return name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           name == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
           name == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
           name == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
           name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

} // namespace

PortalRequest::PortalRequest(QDBusConnection bus) : bus_(std::move(bus)) {}

PortalRequest::~PortalRequest() {
    if (!handle_.isEmpty())
        bus_.disconnect(service, handle_, requestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(uint, QVariantMap)));
}

QCoro::Task<PortalResponse> PortalRequest::call(QString interface, QString method, QVariantList arguments,
                                                QVariantMap options, std::string missing,
                                                std::chrono::milliseconds limit) {
    if (!bus_.isConnected()) throw kit::Error(missing);
    // The request's object path is known before the call: the sender's unique name without the
    // colon, dots made underscores, and the token.
    const QString token = QStringLiteral("glimpo_") + QUuid::createUuid().toString(QUuid::Id128);
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    handle_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus_.connect(service, handle_, requestInterface, QStringLiteral("Response"), this,
                 SLOT(onResponse(uint, QVariantMap)));

    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    arguments.append(options);
    message.setArguments(arguments);
    const QDBusPendingCall pending = bus_.asyncCall(message, static_cast<int>(limit.count()));
    const QDBusMessage reply = co_await pending;
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (isMissing(reply)) throw kit::Error(missing);
        throw kit::Error(QCoreApplication::translate("PortalRequest", "The desktop portal refused the request: %1")
                             .arg(reply.errorMessage())
                             .toStdString());
    }
    // Older portals choose the path themselves; follow theirs.
    const QString answered = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!answered.isEmpty() && answered != handle_) {
        bus_.disconnect(service, handle_, requestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(uint, QVariantMap)));
        handle_ = answered;
        bus_.connect(service, handle_, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    }
    if (!response_) co_await qCoro(this, &PortalRequest::responded, limit);
    if (!response_) throw kit::Error(text(QT_TRANSLATE_NOOP("PortalRequest", "The desktop portal did not answer.")));
    co_return *response_;
}

void PortalRequest::onResponse(uint code, const QVariantMap& results) {
    response_ = PortalResponse{code, results};
    emit responded();
}

} // namespace platform::wayland
