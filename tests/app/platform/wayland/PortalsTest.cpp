// The desktop portals' requests and answers over a real D-Bus daemon, with stand-in portals: the
// Screenshot portal's picture, its file and its refusal; the GlobalShortcuts portal's binding, its
// answer and presses.

#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QTime>

#include <atomic>
#include <mutex>
#include <optional>

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

using Shortcuts = QList<std::pair<QString, QVariantMap>>;
using Permissions = QMap<QString, QStringList>;

class StandInPortal : public QDBusVirtualObject {
public:
    unsigned answer = 0;
    // Written when asked (unless empty), then named in the answer.
    QString file;
    QImage picture;
    // KDE's portal cancels where its pictures folder is missing.
    QString picturesFolder;
    // The permission store's screenshot entry for programs outside a sandbox; empty: none.
    QString stored;
    std::atomic<unsigned> createAnswer = 0;
    // The shortcuts the answer to BindShortcuts lists; none: the answer has no list.
    std::optional<QStringList> listed;

    // What CreateSession and the last BindShortcuts were given: each shortcut's name and
    // preferred trigger.
    std::vector<std::pair<QString, QString>> created() {
        std::lock_guard guard(lock_);
        return created_;
    }
    std::vector<std::pair<QString, QString>> bound() {
        std::lock_guard guard(lock_);
        return bound_;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        const auto named = [](const QVariant& list) {
            std::vector<std::pair<QString, QString>> shortcuts;
            for (const auto& [name, properties] : qdbus_cast<Shortcuts>(list))
                shortcuts.emplace_back(name, properties.value("preferred_trigger").toString());
            return shortcuts;
        };
        if (member == "Screenshot") {
            if (!picture.isNull()) picture.save(file);
            const unsigned code = !picturesFolder.isEmpty() && !QDir(picturesFolder).exists() ? 1 : answer;
            respond(message, connection, code, code == 0 ? QVariantMap{{"uri", "file://" + file}} : QVariantMap());
        } else if (member == "Lookup") {
            if (stored.isEmpty()) {
                connection.send(message.createErrorReply("org.freedesktop.portal.Error.NotFound", "No entry"));
            } else {
                const Permissions permissions{{"", {stored}}};
                connection.send(message.createReply(
                    {QVariant::fromValue(permissions), QVariant::fromValue(QDBusVariant(QString()))}));
            }
        } else if (member == "Get") {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
        } else if (member == "CreateSession") {
            std::lock_guard guard(lock_);
            created_ = named(qdbus_cast<QVariantMap>(message.arguments().value(0)).value("shortcuts"));
            respond(message, connection, createAnswer, {{"session_handle", "/org/freedesktop/portal/desktop/session/1/s"}});
        } else if (member == "BindShortcuts") {
            std::lock_guard guard(lock_);
            bound_ = named(message.arguments().value(1));
            QVariantMap results;
            if (listed) {
                Shortcuts shortcuts;
                for (const QString& name : *listed) shortcuts.append({name, {}});
                results.insert("shortcuts", QVariant::fromValue(shortcuts));
            }
            respond(message, connection, 0, results);
        } else {
            return false;
        }
        return true;
    }

private:
    std::mutex lock_;
    std::vector<std::pair<QString, QString>> created_;
    std::vector<std::pair<QString, QString>> bound_;
};

class PortalBus : public ::testing::Test {
protected:
    QDBusConnection connect(const QString& name) { return bus_.connect(name); }
    QTemporaryDir dir_;
    portaltest::PrivateBus bus_{dir_.path()};
};

TEST_F(PortalBus, ThePortalsOwnFileGoesOnceReadAndOnlyARefusalOnRecordIsTheDeclinedPermission) {
    // Without a portal: the Wayland session test's no-portal case.
    qDBusRegisterMetaType<Permissions>();
    const QString home = dir_.filePath("home");
    ASSERT_TRUE(QDir().mkpath(home));
    ScreenshotPortal screenshots(connect("glimpo-test-client"), (home + "/Pictures").toStdString());
    StandInPortal portal;
    portal.picturesFolder = home + "/Pictures";
    QDBusConnection portalBus = connect("glimpo-test-portal");
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.impl.portal.PermissionStore"));
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal));
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/impl/portal/PermissionStore", &portal));
    const auto failure = [&] {
        try {
            testsupport::await(screenshots.take());
        } catch (const kit::Error& error) {
            return error;
        }
        return kit::Error("a picture");
    };

    // Saved in the home folder, as GNOME's portal does: read, then removed. KDE's pictures
    // folder is made before asking.
    portal.file = home + "/Screenshot.png";
    portal.picture = QImage(64, 32, QImage::Format_RGB32);
    portal.picture.fill(QColor(10, 200, 30));
    const QImage taken = testsupport::await(screenshots.take());
    EXPECT_EQ(taken.size(), QSize(64, 32));
    EXPECT_EQ(taken.pixel(5, 5) & 0xffffff, 0x0ac81eu);
    EXPECT_FALSE(QFile::exists(portal.file)) << "the portal's picture stayed in the home folder";

    // Only a fresh regular file of ours: not through a link, not a file from before the request.
    QFile notes(home + "/notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly) && notes.write("the user's own") > 0);
    notes.close();
    portal.picture.save(home + "/older.png");
    // The next second: file times are compared by the second.
    QThread::msleep(1000 - QTime::currentTime().msec() + 20);
    portal.picture = QImage();
    portal.file = home + "/older.png";
    testsupport::await(screenshots.take());
    ASSERT_TRUE(QFile::link(home + "/notes.txt", home + "/Screenshot-1.png"));
    portal.file = home + "/Screenshot-1.png";
    EXPECT_EQ(failure().what(), std::string("The desktop's screenshot couldn't be read."));
    EXPECT_TRUE(QFile::exists(home + "/older.png"));
    EXPECT_TRUE(QFileInfo(home + "/Screenshot-1.png").isSymLink());
    EXPECT_TRUE(QFile::exists(home + "/notes.txt"));

    // A failure, whatever its code, is this picture's alone; the refusal the store keeps is the
    // declined permission.
    portal.answer = 1;
    EXPECT_EQ(kit::CaptureFailure::classify(failure()), kit::CaptureFailure::other);
    portal.stored = "yes";
    portal.answer = 2;
    EXPECT_EQ(failure().what(), std::string("The desktop couldn't take the screenshot."));
    portal.stored = "no";
    EXPECT_EQ(kit::CaptureFailure::classify(failure()), kit::CaptureFailure::needsScreenPermission);
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
    keys.registerHotKey(21, C::shift | C::command, 1);
    const auto allInOne = keys.registerHotKey(0, C::control | C::option, 6);
    keys.registerHotKey(200, C::command, 3);
    ASSERT_TRUE(testsupport::waitUntil([&] { return portal.bound().size() == 3; }));
    // Named when the session opens, too: Plasma 5.27 binds only those.
    const std::vector<std::pair<QString, QString>> expected{
        {"glimpo-1", "SHIFT+LOGO+4"}, {"glimpo-3", ""}, {"glimpo-6", "CTRL+ALT+a"}};
    EXPECT_EQ(portal.bound(), expected);
    EXPECT_EQ(portal.created(), expected);

    QDBusMessage activated = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                        "org.freedesktop.portal.GlobalShortcuts", "Activated");
    activated << QVariant::fromValue(QDBusObjectPath("/org/freedesktop/portal/desktop/session/1/s"))
              << QString("glimpo-6") << qulonglong(0) << QVariantMap();
    portalBus.send(activated);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !pressed.empty(); }));
    EXPECT_EQ(pressed, std::vector<std::uint32_t>{6});
    EXPECT_TRUE(keys.refused().empty());

    // What the desktop's answer leaves out is refused; the desktop's settings must bind it.
    portal.listed = QStringList{"glimpo-1"};
    keys.unregisterHotKey(*allInOne.reference);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !keys.refused().empty(); }));
    EXPECT_EQ(portal.bound().size(), 2u);
    EXPECT_EQ(keys.refused(), (std::map<std::uint32_t, std::int32_t>{{3, platform::HotKeyStatus::unavailable}}));

    // A desktop that opens no session refuses every key.
    portal.createAnswer = 2;
    PortalHotKeyBackend refusing([](std::uint32_t) { return "4"; }, client);
    refusing.registerHotKey(21, C::shift | C::command, 1);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !refusing.refused().empty(); }));
    EXPECT_EQ(refusing.refused(), (std::map<std::uint32_t, std::int32_t>{{1, platform::HotKeyStatus::unavailable}}));
}

} // namespace
