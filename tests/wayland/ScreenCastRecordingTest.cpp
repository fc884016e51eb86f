// A recording of a Wayland session as the program makes it: the recorder asks a stand-in
// ScreenCast portal on a real bus, which shares the test stream of a real PipeWire daemon as the
// second monitor of the layout; the movie is read back with ffprobe. The portal's restore token
// and its refusal, too.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QScopeGuard>

#include <algorithm>
#include <functional>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

#include "MovieProbe.h"
#include "PipeWireTestSupport.h"
#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
#include "app/quickaccess/FloatingPanel.h"
#include "app/recording/StreamScreenRecorder.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "capture/FakeCaptureBackend.h"
#include "kit/CaptureVocabulary.h"
#include "kit/Error.h"
#include "platform/wayland/PortalResponse.h"

namespace {

using pipewiretest::PipeWireDaemon;
using pipewiretest::TestScreen;
using platform::wayland::ScreenCastPortal;
using SharedStreams = QList<std::pair<uint, QVariantMap>>;

const QString sessionPath = "/org/freedesktop/portal/desktop/session/1/cast";
const QRect sharedScreen(1280, 0, TestScreen::width, TestScreen::height);

class StandInScreenCast : public QDBusVirtualObject {
public:
    StandInScreenCast(const PipeWireDaemon& daemon, std::uint32_t node) : daemon_(daemon), node_(node) {}

    // The answer to Start: 0 shares the test screen, 1 is the user's refusal.
    std::atomic<unsigned> startAnswer{0};

    // The restore token each SelectSources brought ("" for none).
    std::vector<QString> tokensBrought() {
        std::lock_guard guard(lock_);
        return tokens_;
    }
    int openSessions() {
        std::lock_guard guard(lock_);
        return sessions_;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        std::lock_guard guard(lock_);
        const QString member = message.member();
        if (message.path() == sessionPath && member == "Close") {
            --sessions_;
            bus.send(message.createReply());
        } else if (member == "CreateSession") {
            ++sessions_;
            portaltest::respond(message, bus, 0, {{"session_handle", sessionPath}});
        } else if (member == "SelectSources") {
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().constLast());
            // The portal turns away options of the wrong D-Bus type.
            const auto is = [&](const char* key, QMetaType type) {
                return !options.contains(key) || options.value(key).metaType() == type;
            };
            if (!is("types", QMetaType::fromType<uint>()) || !is("multiple", QMetaType::fromType<bool>()) ||
                !is("cursor_mode", QMetaType::fromType<uint>()) || !is("persist_mode", QMetaType::fromType<uint>()) ||
                !is("restore_token", QMetaType::fromType<QString>())) {
                bus.send(message.createErrorReply("org.freedesktop.portal.Error.InvalidArgument", "Invalid options"));
                return true;
            }
            tokens_.push_back(options.value("restore_token").toString());
            portaltest::respond(message, bus, 0, {});
        } else if (member == "Start") {
            if (startAnswer != 0) {
                portaltest::respond(message, bus, startAnswer, {});
                return true;
            }
            const QVariantMap properties{{"position", sharedScreen.topLeft()},
                                         {"size", QSize(TestScreen::width, TestScreen::height)},
                                         {"source_type", 1u}};
            const SharedStreams streams{{node_, properties}};
            portaltest::respond(message, bus, 0,
                                {{"streams", QVariant::fromValue(streams)},
                                 {"restore_token", QString("token-%1").arg(tokens_.size())}});
        } else if (member == "OpenPipeWireRemote") {
            const int fd = daemon_.connect();
            bus.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fd))));
            ::close(fd);
        } else {
            return false;
        }
        return true;
    }

private:
    const PipeWireDaemon& daemon_;
    const std::uint32_t node_;
    std::mutex lock_;
    std::vector<QString> tokens_;
    int sessions_ = 0;
};

void startRecording(StreamScreenRecorder& recorder, std::optional<kit::Rect> area) {
    testsupport::await([&]() -> QCoro::Task<bool> {
        co_await recorder.start(area, 7, false, false);
        co_return true;
    }(), 10000);
}

std::set<std::filesystem::path> filesUnder(const std::filesystem::path& folder) {
    std::set<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.insert(entry.path());
    return files;
}

TEST(ScreenCastRecording, RecordsTheSharedScreenAsksOnceWithTheKeptChoiceAndARefusalLeavesNothing) {
    XServer::require("ffprobe");
    qDBusRegisterMetaType<std::pair<uint, QVariantMap>>();
    qDBusRegisterMetaType<SharedStreams>();
    PipeWireDaemon daemon;
    TestScreen screen;
    StandInScreenCast portal(daemon, screen.node());
    QDBusConnection portalBus = QDBusConnection::connectToBus(daemon.busAddress(), "glimpo-test-portal");
    const auto disconnect = qScopeGuard([] {
        QDBusConnection::disconnectFromBus("glimpo-test-portal");
        QDBusConnection::disconnectFromBus("glimpo-test-client");
    });
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::SubPath));

    testsupport::TempDir dir;
    AppSettings settings(std::make_unique<SettingsStore>(dir / "settings.json"));
    std::filesystem::create_directories(dir / "saved");
    settings.setSaveFolder(dir / "saved");
    CaptureLibrary library(settings, std::make_unique<DiskFileSystem>(), dir / "cache");
    // Each recording as after a new start of the program: the kept choice read from disk again.
    std::vector<std::unique_ptr<SettingsStore>> starts;
    auto backend = std::make_shared<capturefakes::Backend>();
    backend->monitorList = {{1, QRect(0, 0, 1280, 720), true}, {7, sharedScreen, false}};
    StreamScreenRecorder recorder(library, std::make_shared<DisplayService>(backend, 1.0),
                                  []() -> const RecordingModule& { return *glimpo_recording_module(); });
    const auto sharePortal = [&] {
        starts.push_back(std::make_unique<SettingsStore>(dir / "settings-at-start.json"));
        recorder.shareScreenThrough(ScreenCastPortal::keepingChoiceIn(
            *starts.back(), QDBusConnection::connectToBus(daemon.busAddress(), "glimpo-test-client")));
    };
    // With `midway`, run halfway through.
    const auto record = [&](std::optional<kit::Rect> area, int milliseconds, const std::function<void()>& midway = {}) {
        startRecording(recorder, area);
        testsupport::waitUntil([] { return false; }, midway ? milliseconds / 2 : milliseconds);
        if (midway) {
            midway();
            testsupport::waitUntil([] { return false; }, milliseconds / 2);
        }
        const auto finished = testsupport::await(recorder.stop(), 30000);
        if (!finished || finished->saveError) throw std::runtime_error("the recording was not saved");
        return finished->capture.fileURL;
    };

    sharePortal();
    const std::filesystem::path whole = record(std::nullopt, 3000);
    const ProbedMovie movie = probe(whole);
    ASSERT_TRUE(movie.ok && !movie.streams.empty()) << whole;
    EXPECT_EQ(whole.extension(), ".mp4");
    EXPECT_EQ(movie.streams[0].codec, "h264");
    EXPECT_EQ(movie.streams[0].profile, "High");
    EXPECT_EQ(QSize(movie.streams[0].width, movie.streams[0].height), QSize(TestScreen::width, TestScreen::height));
    EXPECT_NEAR(movie.duration, 3.0, 0.5);
    const std::vector<ProbedFrame> frames = probeFrames(whole);
    ASSERT_GE(frames.size(), 10u);
    const auto brightness = [](const ProbedFrame& a, const ProbedFrame& b) { return a.brightness < b.brightness; };
    const auto [darkest, brightest] = std::minmax_element(frames.begin(), frames.end(), brightness);
    EXPECT_GT(brightest->brightness - darkest->brightness, 20) << "the movie does not show the screen changing";
    EXPECT_TRUE(testsupport::waitUntil([&] { return portal.openSessions() == 0; }))
        << "the desktop still shows the screen as shared";

    // The next start brings the kept choice; an area is cut out of the screen, its white quarter
    // in every picture. Once Glimpo's own panel shows over the area no picture is written, but the
    // last one is held to the stop.
    sharePortal();
    FloatingPanel panel(FloatingPanel::Options{.ignoresMouse = true, .title = "Own"});
    panel.setGeometry(sharedScreen.x() + 100, 100, 50, 50);
    const std::filesystem::path cut = record(kit::Rect::make(80, 60, 160, 120), 2000, [&] { panel.show(); });
    const ProbedMovie area = probe(cut);
    ASSERT_FALSE(area.streams.empty());
    EXPECT_EQ(QSize(area.streams[0].width, area.streams[0].height), QSize(160, 120));
    const std::vector<ProbedFrame> pictures = probeFrames(cut);
    EXPECT_GE(std::count_if(pictures.begin(), pictures.end(), [](const ProbedFrame& f) { return f.time < 0.8; }), 10);
    for (const ProbedFrame& f : pictures) {
        EXPECT_TRUE(f.time < 1.3 || f.time > area.duration - 0.1) << "a picture at " << f.time << " s";
        EXPECT_GT(f.brightness, 40) << f.time;
        EXPECT_LT(f.brightness, 200) << f.time;
    }
    panel.hide();

    sharePortal();
    portal.startAnswer = 1;
    const std::set<std::filesystem::path> before = filesUnder(dir.path());
    try {
        startRecording(recorder, std::nullopt);
        ADD_FAILURE() << "a refused screen share started a recording";
    } catch (const kit::Error& error) {
        EXPECT_EQ(kit::CaptureFailure::classify(error), kit::CaptureFailure::needsScreenPermission);
    }
    EXPECT_EQ(filesUnder(dir.path()), before);
    EXPECT_TRUE(testsupport::waitUntil([&] { return portal.openSessions() == 0; }));
    EXPECT_EQ(portal.tokensBrought(), (std::vector<QString>{"", "token-1", "token-2"}));
}

} // namespace
