// What no desktop here gives at will: a stand-in ScreenCast portal on a private bus shares a test
// stream of a real PipeWire daemon as the second monitor of the layout, so that an area recording
// can be read back with ffprobe while Glimpo's own window shows over it, and the portal can refuse.

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

#include "MovieProbe.h"
#include "TestSupport.h"
#include "XServer.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
#include "app/widgets/FloatingPanel.h"
#include "app/recording/StreamRecordingModule.h"
#include "app/recording/StreamScreenRecorder.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "capture/FakeCaptureBackend.h"
#include "kit/CaptureVocabulary.h"
#include "kit/Error.h"
#include "platform/wayland/PortalResponse.h"

namespace {

using platform::wayland::ScreenCastPortal;
using testsupport::waitUntil;
using SharedStreams = QList<std::pair<uint, QVariantMap>>;

// A private bus, pipewire and wireplumber (which wants a session bus) in a runtime folder of their
// own, stopped by process id.
class PipeWireDaemon {
public:
    PipeWireDaemon() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir_.path());
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress());
        qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit());
        for (QProcess* p : {&pipewire_, &wireplumber_}) {
            p->setProcessEnvironment(env);
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->setStandardOutputFile(QProcess::nullDevice());
        }
    pipewire_.start("pipewire", {});
        if (!pipewire_.waitForStarted(5000)) throw std::runtime_error("pipewire did not start (install pipewire)");
        if (!waitUntil([&] { return QFile::exists(socket()); }, 10000)) throw std::runtime_error("pipewire made no socket");
        wireplumber_.start("wireplumber", {});
        if (!wireplumber_.waitForStarted(5000)) throw std::runtime_error("wireplumber did not start");
    }
    ~PipeWireDaemon() {
        XServer::stop(wireplumber_);
        XServer::stop(pipewire_);
    }
    QString socket() const { return dir_.filePath("pipewire-0"); }
    QString busAddress() const { return bus_.address(); }
    QDBusConnection connectToBus(const QString& name) { return bus_.connect(name); }
    // A connection to the daemon, as the portal hands one over.
    int connect() const {
        QLocalSocket client;
        client.connectToServer(socket());
        if (!client.waitForConnected(5000)) throw std::runtime_error("cannot connect to pipewire");
        return ::fcntl(int(client.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    }

private:
    QTemporaryDir dir_;
    portaltest::PrivateBus bus_{dir_.path()};
    QProcess pipewire_;
    QProcess wireplumber_;
};

// A 320x240 BGRx video source; the daemon's own driver runs it.
class TestScreen {
public:
    static constexpr int width = 320, height = 240;

    TestScreen() {
        pw_init(nullptr, nullptr);
        loop_ = pw_thread_loop_new("test-screen", nullptr);
        pw_thread_loop_start(loop_);
        pw_thread_loop_lock(loop_);
        events_.version = PW_VERSION_STREAM_EVENTS;
        events_.process = [](void* data) { static_cast<TestScreen*>(data)->fill(); };
        events_.param_changed = [](void* data, std::uint32_t id, const spa_pod* param) {
            if (id != SPA_PARAM_Format || !param) return;
            std::uint8_t buffer[256];
            spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
            const spa_pod* params[1] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
                &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
                SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1), SPA_PARAM_BUFFERS_size,
                SPA_POD_Int(width * height * 4), SPA_PARAM_BUFFERS_stride, SPA_POD_Int(width * 4),
                SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)))};
            pw_stream_update_params(static_cast<TestScreen*>(data)->stream_, params, 1);
        };
        stream_ = pw_stream_new_simple(pw_thread_loop_get_loop(loop_), "glimpo-test-screen",
                                       pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", nullptr), &events_, this);
        std::uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_rectangle size = SPA_RECTANGLE(width, height);
        const spa_fraction rate = SPA_FRACTION(30, 1);
        const spa_pod* params[1] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
            SPA_FORMAT_VIDEO_format, SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)))};
        pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          PW_STREAM_FLAG_MAP_BUFFERS,
                          params, 1);
        pw_thread_loop_unlock(loop_);
        if (!waitUntil([&] { return node() != SPA_ID_INVALID; }, 10000)) throw std::runtime_error("the test screen has no node");
    }
    ~TestScreen() {
        pw_thread_loop_stop(loop_);
        pw_stream_destroy(stream_);
        pw_thread_loop_destroy(loop_);
    }
    std::uint32_t node() {
        pw_thread_loop_lock(loop_);
        const std::uint32_t id = pw_stream_get_node_id(stream_);
        pw_thread_loop_unlock(loop_);
        return id;
    }

private:
    void fill() {
        pw_buffer* b = pw_stream_dequeue_buffer(stream_);
        if (!b) return;
        spa_data& d = b->buffer->datas[0];
        if (d.data && d.maxsize >= std::uint32_t(width * height * 4)) {
            const std::uint8_t rest = (frame_++ % 2) ? 128 : 0;
            auto* pixels = static_cast<std::uint8_t*>(d.data);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t v = (x < width / 2 && y < height / 2) ? 255 : rest;
                    std::memset(pixels + (y * width + x) * 4, v, 4);
                }
            d.chunk->offset = 0;
            d.chunk->stride = width * 4;
            d.chunk->size = width * height * 4;
        }
        pw_stream_queue_buffer(stream_, b);
    }

    pw_thread_loop* loop_ = nullptr;
    pw_stream* stream_ = nullptr;
    pw_stream_events events_{};
    int frame_ = 0;
};

const QString sessionPath = "/org/freedesktop/portal/desktop/session/1/cast";
const QRect sharedScreen(1280, 0, TestScreen::width, TestScreen::height);

class StandInScreenCast : public QDBusVirtualObject {
public:
    StandInScreenCast(const PipeWireDaemon& daemon, std::uint32_t node) : daemon_(daemon), node_(node) {}

    // The answer to Start: 0 shares the test screen, 1 is the user's refusal.
    std::atomic<unsigned> startAnswer{0};

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
            portaltest::respond(message, bus, 0, {{"streams", QVariant::fromValue(streams)}});
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
    int sessions_ = 0;
};

TEST(ScreenCastRecording, AnAreaKeepsGlimposOwnWindowOutAndARefusalLeavesNothing) {
    qDBusRegisterMetaType<std::pair<uint, QVariantMap>>();
    qDBusRegisterMetaType<SharedStreams>();
    PipeWireDaemon daemon;
    TestScreen screen;
    StandInScreenCast portal(daemon, screen.node());
    QDBusConnection portalBus = daemon.connectToBus("glimpo-test-portal");
    ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(portalBus.registerVirtualObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::SubPath));

    testsupport::TempDir dir;
    AppSettings settings(std::make_unique<SettingsStore>(dir / "settings.json"));
    std::filesystem::create_directories(dir / "saved");
    settings.setSaveFolder(dir / "saved");
    CaptureLibrary library(settings, std::make_unique<DiskFileSystem>(), dir / "cache");
    auto backend = std::make_shared<capturefakes::Backend>();
    backend->monitorList = {{1, QRect(0, 0, 1280, 720), true}, {7, sharedScreen, false}};
    StreamScreenRecorder recorder(library, std::make_shared<DisplayService>(backend, 1.0),
                                  []() -> const RecordingModule& {
                                      static const StreamRecordingModule module;
                                      return module;
                                  });
    recorder.shareScreenThrough(ScreenCastPortal::keepingChoiceIn(
        settings.defaults(), daemon.connectToBus("glimpo-test-client")));

    // An area is cut out of the screen, its white quarter in every picture. Once Glimpo's own
    // panel shows over the area no picture is written, but the last one is held to the stop.
    FloatingPanel panel(FloatingPanel::Options{.ignoresMouse = true, .title = "Own"});
    panel.setGeometry(sharedScreen.x() + 100, 100, 50, 50);
    testsupport::await(recorder.start(kit::Rect::make(80, 60, 160, 120), 7, false, false), 10000);
    waitUntil([] { return false; }, 1000);
    panel.show();
    waitUntil([] { return false; }, 1000);
    const auto finished = testsupport::await(recorder.stop(), 30000);
    ASSERT_TRUE(finished && !finished->saveError);
    const ProbedMovie area = probe(finished->capture.fileURL);
    ASSERT_FALSE(area.streams.empty());
    EXPECT_EQ(QSize(area.streams[0].width, area.streams[0].height), QSize(160, 120));
    const std::vector<ProbedFrame> pictures = probeFrames(finished->capture.fileURL);
    EXPECT_GE(std::count_if(pictures.begin(), pictures.end(), [](const ProbedFrame& f) { return f.time < 0.8; }), 10);
    for (const ProbedFrame& f : pictures) {
        EXPECT_TRUE(f.time < 1.3 || f.time > area.duration - 0.1) << "a picture at " << f.time << " s";
        EXPECT_GT(f.brightness, 40) << f.time;
        EXPECT_LT(f.brightness, 200) << f.time;
    }
    panel.hide();
    EXPECT_TRUE(waitUntil([&] { return portal.openSessions() == 0; }))
        << "the desktop still shows the screen as shared";

    portal.startAnswer = 1;
    const std::set<std::filesystem::path> before = testsupport::filesUnder(dir.path());
    try {
        testsupport::await(recorder.start(std::nullopt, 7, false, false), 10000);
        ADD_FAILURE() << "a refused screen share started a recording";
    } catch (const kit::Error& error) {
        EXPECT_EQ(kit::CaptureFailure::classify(error), kit::CaptureFailure::needsScreenPermission);
    }
    EXPECT_EQ(testsupport::filesUnder(dir.path()), before);
    EXPECT_TRUE(waitUntil([&] { return portal.openSessions() == 0; }));
}

} // namespace
