// The desktop portals' requests and answers over a real D-Bus daemon, with stand-in portals: the
// Screenshot portal's picture and refusal; the GlobalShortcuts portal's binding and presses.

#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <mutex>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/wayland/PortalResponse.h"
#include "app/platform/wayland/PortalHotKeyBackend.h"
#include "app/platform/wayland/ScreenshotPortal.h"
#include "kit/CaptureVocabulary.h"
#include "kit/Error.h"
#include "kit/HotKeyCombination.h"

namespace {

using platform::wayland::PortalHotKeyBackend;
using platform::wayland::ScreenshotPortal;
using portaltest::respond;

class StandInPortal : public QDBusVirtualObject {
public:
    unsigned answer = 0;
    QString file;
    // What BindShortcuts was given last: each shortcut's name and preferred trigger.
    std::vector<std::pair<QString, QString>> bound() {
        std::lock_guard guard(lock_);
        return bound_;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        if (member == "Screenshot") {
            respond(message, connection, answer, answer == 0 ? QVariantMap{{"uri", "file://" + file}} : QVariantMap());
        } else if (member == "Get") {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
        } else if (member == "CreateSession") {
            respond(message, connection, 0, {{"session_handle", "/org/freedesktop/portal/desktop/session/1/s"}});
        } else if (member == "BindShortcuts") {
            std::lock_guard guard(lock_);
            bound_.clear();
            const auto list = qdbus_cast<QList<std::pair<QString, QVariantMap>>>(message.arguments().value(1));
            for (const auto& [name, properties] : list)
                bound_.emplace_back(name, properties.value("preferred_trigger").toString());
            respond(message, connection, 0, {});
        } else {
            return false;
        }
        return true;
    }

private:
    std::mutex lock_;
    std::vector<std::pair<QString, QString>> bound_;
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

TEST_F(PortalBus, ThePictureIsReadAndItsTemporaryFileGoesARefusalIsTheDeclinedPermission) {
    // Without a portal: the Wayland session test's no-portal case.
    ScreenshotPortal screenshots(connect("glimpo-test-client"));
    StandInPortal portal;
    QDBusConnection portalBus = connect("glimpo-test-portal");
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal));

    portal.file = QDir::temp().filePath("glimpo-portal-test-" + QUuid::createUuid().toString(QUuid::Id128) + ".png");
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

TEST_F(PortalBus, ShortcutsReachTheDesktopTogetherAndItsPressesComeBackAsTheirIds) {
    QDBusConnection client = connect("glimpo-test-client");
    EXPECT_FALSE(PortalHotKeyBackend::offered(client));
    // The question whether shortcuts are offered blocks: the portal answers from a thread.
    QThread portalThread;
    portalThread.start();
    StandInPortal portal;
    portal.moveToThread(&portalThread);
    const auto stop = qScopeGuard([&] {
        portalThread.quit();
        portalThread.wait();
    });
    QDBusConnection portalBus = connect("glimpo-test-portal");
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal));
    EXPECT_TRUE(PortalHotKeyBackend::offered(client));

    PortalHotKeyBackend keys([](std::uint32_t code) { return code == 21 ? "4" : code == 0 ? "A" : ""; }, client);
    std::vector<std::uint32_t> pressed;
    keys.installHandler([&pressed](std::uint32_t id) { pressed.push_back(id); });
    using C = kit::HotKeyCombination;
    const auto area = keys.registerHotKey(21, C::shift | C::command, 1);
    keys.registerHotKey(0, C::control | C::option, 6);
    keys.registerHotKey(200, C::command, 3);
    ASSERT_TRUE(testsupport::waitUntil([&] { return portal.bound().size() == 3; }));
    const std::vector<std::pair<QString, QString>> expected{
        {"glimpo-1", "SHIFT+LOGO+4"}, {"glimpo-6", "CTRL+ALT+a"}, {"glimpo-3", ""}};
    EXPECT_EQ(portal.bound(), expected);

    QDBusMessage activated = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                        "org.freedesktop.portal.GlobalShortcuts", "Activated");
    activated << QVariant::fromValue(QDBusObjectPath("/org/freedesktop/portal/desktop/session/1/s"))
              << QString("glimpo-6") << qulonglong(0) << QVariantMap();
    portalBus.send(activated);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !pressed.empty(); }));
    EXPECT_EQ(pressed, std::vector<std::uint32_t>{6});

    keys.unregisterHotKey(*area.reference);
    EXPECT_TRUE(testsupport::waitUntil([&] { return portal.bound().size() == 2; }));
}

} // namespace
