#pragma once
// Stand-in portals: a private session bus for them, and their answers on the request object the
// caller expects, as xdg-desktop-portal gives them (the object's path in the reply, then its
// Response signal).

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

#include <stdexcept>

#include "TestSupport.h"

namespace portaltest {

// A dbus-daemon listening in `folder` that starts no services: the system's own portal must not
// answer. Stopped with the object.
class PrivateBus {
public:
    explicit PrivateBus(const QString& folder) : address_("unix:path=" + folder + "/bus") {
        QFile config(folder + "/bus.conf");
        if (!config.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the bus configuration");
        config.write("<busconfig><type>session</type><listen>" + address_.toUtf8() +
                     "</listen><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        daemon_.setStandardOutputFile(QProcess::nullDevice());
        daemon_.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork"});
        if (!daemon_.waitForStarted(5000)) throw std::runtime_error("dbus-daemon is missing (install dbus)");
        if (!testsupport::waitUntil([&] { return QFile::exists(folder + "/bus"); }, 10000))
            throw std::runtime_error("dbus-daemon opened no socket");
    }
    ~PrivateBus() {
        for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) daemon_.kill();
        daemon_.waitForFinished(3000);
    }
    const QString& address() const { return address_; }
    // A connection of its own named `name`, closed when the bus stops.
    QDBusConnection connect(const QString& name) {
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QString address_;
    QStringList names_;
    QProcess daemon_;
};

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
