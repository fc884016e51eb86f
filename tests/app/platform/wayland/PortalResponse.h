#pragma once
// Stand-in portals answer a request on the request object the caller expects, as
// xdg-desktop-portal does: the object's path in the reply, then its Response signal.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace portaltest {

inline void respond(const QDBusMessage& call, const QDBusConnection& bus, unsigned code, const QVariantMap& results) {
    const QVariantMap options = qdbus_cast<QVariantMap>(call.arguments().constLast());
    QString sender = call.service().mid(1);
    sender.replace('.', '_');
    const QString handle =
        "/org/freedesktop/portal/desktop/request/" + sender + "/" + options.value("handle_token").toString();
    bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
    QDBusMessage response = QDBusMessage::createSignal(handle, "org.freedesktop.portal.Request", "Response");
    response << code << results;
    bus.send(response);
}

} // namespace portaltest
