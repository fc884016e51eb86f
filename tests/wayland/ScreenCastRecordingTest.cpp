// A recording of a Wayland session as the program makes it: the recorder asks a stand-in
// ScreenCast portal on a real bus, which shares the test stream of a real PipeWire daemon; the
// movie is read back with ffprobe. The portal's restore token and its refusal, too.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QScopeGuard>

#include <algorithm>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

#include "MovieProbe.h"
#include "PipeWireTestSupport.h"
#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
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
            const QVariantMap properties{{"position", QPoint(0, 0)},
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

// The average brightness of each decoded frame.
std::vector<double> frameBrightness(const std::filesystem::path& movie) {
    QProcess process;
    process.start("ffprobe", {"-v", "error", "-f", "lavfi", "-i",
                              "movie=" + QString::fromStdString(movie.string()) + ",signalstats", "-show_entries",
                              "frame_tags=lavfi.signalstats.YAVG", "-of", "csv=p=0"});
    process.waitForFinished(60000);
    std::vector<double> values;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        values.push_back(line.toDouble());
    return values;
}

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

    // The layout has the shared screen as its one monitor.
    testsupport::TempDir dir;
    AppSettings settings(std::make_unique<SettingsStore>(dir / "settings.json"));
    std::filesystem::create_directories(dir / "saved");
    settings.setSaveFolder(dir / "saved");
    CaptureLibrary library(settings, std::make_unique<DiskFileSystem>(), dir / "cache");
    // Each recording as after a new start of the program: the kept choice read from disk again.
    std::vector<std::unique_ptr<SettingsStore>> starts;
    auto backend = std::make_shared<capturefakes::Backend>();
    backend->monitorList = {{7, QRect(0, 0, TestScreen::width, TestScreen::height), true}};
    StreamScreenRecorder recorder(library, std::make_shared<DisplayService>(backend, 1.0),
                                  []() -> const RecordingModule& { return *glimpo_recording_module(); });
    const auto sharePortal = [&] {
        starts.push_back(std::make_unique<SettingsStore>(dir / "settings-at-start.json"));
        recorder.shareScreenThrough(ScreenCastPortal::keepingChoiceIn(
            *starts.back(), QDBusConnection::connectToBus(daemon.busAddress(), "glimpo-test-client")));
    };
    const auto record = [&](std::optional<kit::Rect> area, int milliseconds) {
        startRecording(recorder, area);
        testsupport::waitUntil([] { return false; }, milliseconds);
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
    const std::vector<double> brightness = frameBrightness(whole);
    ASSERT_GE(brightness.size(), 10u);
    const auto [darkest, brightest] = std::minmax_element(brightness.begin(), brightness.end());
    EXPECT_GT(*brightest - *darkest, 20) << "the movie does not show the screen changing";
    EXPECT_TRUE(testsupport::waitUntil([&] { return portal.openSessions() == 0; }))
        << "the desktop still shows the screen as shared";

    // The next start brings the kept choice; an area is cut out of the screen.
    sharePortal();
    const ProbedMovie area = probe(record(kit::Rect::make(80, 60, 160, 120), 1000));
    ASSERT_FALSE(area.streams.empty());
    EXPECT_EQ(QSize(area.streams[0].width, area.streams[0].height), QSize(160, 120));

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
