// The Screenshot portal's request and answer over a real D-Bus daemon, with a stand-in portal:
// the picture it hands over, a refusal, and no portal at all.

#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/platform/wayland/ScreenshotPortal.h"
#include "kit/CaptureVocabulary.h"
#include "kit/Error.h"

namespace {

using platform::wayland::ScreenshotPortal;

// Answers Screenshot calls on the request object the caller expects, as xdg-desktop-portal does.
class StandInPortal : public QDBusVirtualObject {
public:
    unsigned answer = 0;
    QString file;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Screenshot")) return false;
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(1));
        QString sender = message.service().mid(1);
        sender.replace('.', '_');
        const QString handle = "/org/freedesktop/portal/desktop/request/" + sender + "/" +
                               options.value("handle_token").toString();
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(handle))));
        QDBusMessage response = QDBusMessage::createSignal(handle, "org.freedesktop.portal.Request", "Response");
        QVariantMap results;
        if (answer == 0) results.insert("uri", "file://" + file);
        response << answer << results;
        connection.send(response);
        return true;
    }
};

class PortalBus : public ::testing::Test {
protected:
    void SetUp() override {
        address_ = "unix:path=" + dir_.filePath("bus");
        // A bus that starts no services: the system's own portal must not answer.
        QFile config(dir_.filePath("bus.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write("<busconfig><type>session</type><listen>" + address_.toUtf8() +
                     "</listen><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        daemon_.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork"});
        ASSERT_TRUE(daemon_.waitForStarted(5000)) << "dbus-daemon is missing (install dbus)";
        ASSERT_TRUE(testsupport::waitUntil([&] { return QFile::exists(dir_.filePath("bus")); }, 5000));
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus("glimpo-test-client");
        QDBusConnection::disconnectFromBus("glimpo-test-portal");
        daemon_.terminate();
        daemon_.waitForFinished(3000);
    }
    QDBusConnection connect(const QString& name) { return QDBusConnection::connectToBus(address_, name); }
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

TEST_F(PortalBus, ThePictureIsReadAndItsTemporaryFileGoesARefusalIsTheDeclinedPermissionNoPortalIsSaid) {
    ScreenshotPortal screenshots(connect("glimpo-test-client"));
    try {
        testsupport::await(screenshots.take());
        FAIL() << "a missing portal gave a picture";
    } catch (const kit::Error& error) {
        EXPECT_EQ(error.description(), ScreenshotPortal::missingSentence);
    }

    StandInPortal portal;
    QDBusConnection portalBus = connect("glimpo-test-portal");
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal));

    portal.file = QDir::temp().filePath("glimpo-portal-test.png");
    QImage picture(64, 32, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    ASSERT_TRUE(picture.save(portal.file));
    const QImage taken = testsupport::await(screenshots.take());
    EXPECT_EQ(taken.size(), QSize(64, 32));
    EXPECT_EQ(taken.pixel(5, 5) & 0xffffff, 0x0ac81eu);
    EXPECT_FALSE(QFile::exists(portal.file)) << "the screen's picture stayed in the temporary folder";

    portal.answer = 1;
    try {
        testsupport::await(screenshots.take());
        FAIL() << "a refusal gave a picture";
    } catch (const kit::Error& error) {
        EXPECT_EQ(kit::CaptureFailure::classify(error), kit::CaptureFailure::needsScreenPermission);
    }
}

} // namespace
