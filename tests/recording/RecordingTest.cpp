// The recorder with the real stream, sound server and writer on the test's Xvfb (monitor A
// 1920x1080 at the origin, B 4400x1200 beside it) and null sink; movies read back with ffprobe.

#include <gtest/gtest.h>

#include <pulse/simple.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <future>
#include <thread>

#include "MovieProbe.h"
#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/Log.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
#include "app/platform/audio/EventSounds.h"
#include "app/platform/x11/XcbCaptureBackend.h"
#include "app/widgets/FloatingPanel.h"
#include "app/recording/RecordingFrame.h"
#include "app/recording/StreamRecordingModule.h"
#include "app/recording/StreamScreenRecorder.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"

namespace {

using namespace std::chrono_literals;
using testsupport::run;

const RecordingModule& linkedModule() {
    static const StreamRecordingModule module;
    return module;
}

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "saved");
        settings.setSaveFolder(dir / "saved");
        recorder = std::make_unique<StreamScreenRecorder>(library, displays, &linkedModule);
    }

    std::uint32_t display(int index) { return displays->layout().displays().at(index).id; }

    testsupport::TempDir dir;
    AppSettings settings{std::make_unique<SettingsStore>(dir / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), dir / "cache"};
    std::shared_ptr<DisplayService> displays =
        std::make_shared<DisplayService>(std::make_shared<platform::x11::XcbCaptureBackend>(), 1.0);
    std::unique_ptr<StreamScreenRecorder> recorder;
};

std::int64_t hostNanoseconds() { return std::chrono::steady_clock::now().time_since_epoch() / 1ns; }

// Feeds the default sink silence from a thread; click() puts 10 ms of a square wave in and
// returns the host time at which it is heard.
class ClickPlayer {
public:
    ClickPlayer() {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, 48000, 2};
        const std::uint32_t any = std::uint32_t(-1);
        const pa_buffer_attr buffer{any, std::uint32_t(pa_usec_to_bytes(20'000, &spec)), any, any, any};
        stream_.reset(pa_simple_new(nullptr, "tests", PA_STREAM_PLAYBACK, nullptr, "click", &spec, nullptr, &buffer, nullptr));
        if (!stream_) throw std::runtime_error("no playback stream");
        thread_ = std::thread([this] {
            std::vector<float> silence(480, 0.0f), click(960);
            for (std::size_t i = 0; i < click.size(); ++i) click[i] = (i / 48) % 2 ? 0.9f : -0.9f;
            while (!quit_) {
                std::promise<std::int64_t>* asked = pending_.exchange(nullptr);
                const auto& chunk = asked ? click : silence;
                // Fails once the sink is gone.
                if (pa_simple_write(stream_.get(), chunk.data(), chunk.size() * sizeof(float), nullptr) < 0) break;
                // Latency counts to the last sample written.
                const auto latency = std::int64_t(pa_simple_get_latency(stream_.get(), nullptr));
                const std::int64_t heard = hostNanoseconds() + latency * 1000;
                written_ = hostNanoseconds();
                if (asked) asked->set_value(heard - 10'000'000);
            }
        });
    }
    ~ClickPlayer() {
        quit_ = true;
        thread_.join();
    }
    // A null sink stalls for a while when a stream joins it; then the writes stop returning.
    bool steady() const { return hostNanoseconds() - written_ < 30'000'000; }
    std::int64_t click() {
        std::promise<std::int64_t> heard;
        pending_ = &heard;
        return heard.get_future().get();
    }

private:
    std::unique_ptr<pa_simple, decltype(&pa_simple_free)> stream_{nullptr, &pa_simple_free};
    std::atomic<bool> quit_{false};
    std::atomic<std::promise<std::int64_t>*> pending_{nullptr};
    std::atomic<std::int64_t> written_{0};
    std::thread thread_;
};

// Fills the top left 200 x 200 root pixels; returns once the server has drawn them.
void fillRoot(std::uint32_t rgb) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, root, XCB_GC_FOREGROUND, &rgb);
    const xcb_rectangle_t area{0, 0, 200, 200};
    xcb_poly_fill_rectangle(c, root, gc, 1, &area);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

// Both sound tracks; the null sink's monitor is the default source, so the microphone hears the
// system's sound too.
TEST_F(Recording, SoundAndPictureStayInStepGlimposOwnSoundsStayOutAndAGoneSourceLeavesSilence) {
    const auto shutter = platform::audio::makeCanberraSounds()->named("camera-shutter");
    ASSERT_TRUE(shutter);
    ClickPlayer player;
    fillRoot(0x000000);
    testsupport::await(recorder->start(kit::Rect::make(0, 0, 200, 200), display(0), true, true), 10000);
    testsupport::waitUntil([] { return false; }, 300);
    ASSERT_TRUE(testsupport::waitUntil([&] { return player.steady(); }, 10000));
    testsupport::waitUntil([] { return false; }, 300);
    const std::int64_t heard = player.click();
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(heard)));
    fillRoot(0xffffff);
    const double shownAfterHeard = double(hostNanoseconds() - heard) / 1e9;
    testsupport::waitUntil([] { return false; }, 300);
    // The second time, libcanberra plays it from the sound server's sample cache.
    for (int i = 0; i < 2; ++i) {
        shutter->play();
        testsupport::waitUntil([] { return false; }, 1000);
    }
    run("pactl", {"unload-module", "module-null-sink"});
    testsupport::waitUntil([] { return false; }, 1000);
    const auto finished = testsupport::await(recorder->stop(), 60000);
    run("pactl", {"load-module", "module-null-sink", "sink_name=glimpo_test", "rate=48000"});
    ASSERT_TRUE(finished);
    const std::filesystem::path file = finished->capture.fileURL;

    const std::vector<ProbedFrame> frames = probeFrames(file);
    const auto flash = std::find_if(frames.begin(), frames.end(), [](const ProbedFrame& f) { return f.brightness > 128; });
    ASSERT_NE(flash, frames.end());
    const double click = firstLoudSample(file, 0);
    ASSERT_GT(click, 0);
    EXPECT_NEAR(flash->time - click, shownAfterHeard, 0.030) << "flash " << flash->time << " s, click " << click << " s";
    EXPECT_EQ(firstLoudSample(file, 0, click + 0.1), -1) << "the shutter is in the movie";

    // Video, system audio, microphone; the sound tracks last as long as the picture, through the
    // second the sink was gone.
    const ProbedMovie movie = probe(file);
    ASSERT_EQ(movie.streams.size(), 3u);
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(movie.streams[i].codec, "aac");
        EXPECT_EQ(movie.streams[i].sampleRate, 48000);
        EXPECT_EQ(movie.streams[i].channels, 2);
        // Within one AAC frame.
        EXPECT_NEAR(movie.streams[i].duration, movie.streams[0].duration, 0.025);
    }
    EXPECT_GT(firstLoudSample(file, 1), 0) << "the microphone did not hear the click";
}

// Sound that comes in blocks: a player with a 2 s buffer (as browsers and media players keep)
// on the sink, and a microphone that hands over two seconds at once (the sine source).
TEST_F(Recording, SoundThatComesInBlocksIsKeptWhole) {
    XServer::require("paplay");
    const std::filesystem::path tone = dir / "tone.wav";
    run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1.5:sample_rate=48000", "-ac", "2",
                   QString::fromStdString(tone.string())});
    const QString sineModule =
        run("pactl", {"load-module", "module-sine-source", "source_name=glimpo_sine", "rate=48000"}).trimmed();
    struct Restore {
        QString module;
        ~Restore() {
            QProcess::execute("pactl", {"set-default-source", "glimpo_test.monitor"});
            QProcess::execute("pactl", {"unload-module", module});
        }
    } restore{sineModule};
    run("pactl", {"set-default-source", "glimpo_sine"});

    testsupport::await(recorder->start(kit::Rect::make(0, 0, 200, 200), display(0), true, true), 10000);
    const auto started = std::chrono::steady_clock::now();
    testsupport::waitUntil([] { return false; }, 300);
    QProcess player;
    player.start("paplay", {"--latency-msec=2000", QString::fromStdString(tone.string())});
    testsupport::waitUntil([&] { return std::chrono::steady_clock::now() - started >= 4s; }, 5000);
    const auto finished = testsupport::await(recorder->stop(), 60000);
    player.waitForFinished(10000);
    ASSERT_TRUE(finished);

    const ProbedMovie movie = probe(finished->capture.fileURL);
    ASSERT_EQ(movie.streams.size(), 3u);
    // The tone, whole and unbroken, inside the recording.
    const std::vector<bool> system = soundPer10ms(finished->capture.fileURL, 0);
    const auto first = std::find(system.begin(), system.end(), true);
    const auto last = std::find(system.rbegin(), system.rend(), true).base();
    ASSERT_LT(first, last) << "the tone is not in the movie";
    EXPECT_EQ(std::count(first, last, false), 0) << "the tone has gaps";
    EXPECT_NEAR(double(last - first) / 100, 1.5, 0.05);
    EXPECT_GT(first - system.begin(), 30);
    EXPECT_LT(last, system.end());
    // The microphone's sine from start to end (the decoder adds the last sound frame's padding).
    const std::vector<bool> microphone = soundPer10ms(finished->capture.fileURL, 1);
    ASSERT_NEAR(double(microphone.size()) / 100, movie.duration, 0.03);
    const auto end = microphone.begin() + std::min(microphone.size(), std::size_t(movie.duration * 100));
    const auto silent = std::find(microphone.begin(), end, false);
    EXPECT_EQ(silent, end) << "the microphone is silent at " << double(silent - microphone.begin()) / 100 << " s";
}

// The area movie; meanwhile a second start is ignored, and a window of Glimpo's that covers the
// area from before the start goes after a while.
TEST_F(Recording, AnAreaMovieIsH264HighOfItsSizeSavedNeverShowsGlimposWindowsAndLastsTheRecordingThoughOneCoversItsStart) {
    MemoryLogSink log;
    // A writer that takes its time to be made: the first start stays "starting".
    static const struct : StreamRecordingModule {
        std::unique_ptr<RecordingSession> makeSession(const RecordingSession::Settings& settings) const override {
            std::this_thread::sleep_for(300ms);
            return StreamRecordingModule::makeSession(settings);
        }
    } slow;
    recorder = std::make_unique<StreamScreenRecorder>(library, displays, []() -> const RecordingModule& { return slow; });
    FloatingPanel notice(FloatingPanel::Options{.ignoresMouse = true, .title = QStringLiteral("Notice")});
    notice.setAutoFillBackground(true);
    QPalette red;
    red.setColor(QPalette::Window, Qt::red);
    notice.setPalette(red);
    notice.setGeometry(150, 150, 100, 100);
    notice.show();
    const auto called = std::chrono::steady_clock::now();
    auto first = recorder->start(kit::Rect::make(100, 100, 301, 201), display(0), false, false);
    testsupport::await(recorder->start(kit::Rect::make(0, 0, 100, 100), display(0), false, false), 10000);
    EXPECT_TRUE(log.contains("recording", "start ignored state=starting"));
    testsupport::await(std::move(first), 10000);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(recorder->elapsed());
    EXPECT_EQ(*recorder->elapsed(), ScreenRecorder::Elapsed::zero());
    // A frame marks the area from just outside it.
    RecordingFrame* marker = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<RecordingFrame*>(window)) marker = found;
    ASSERT_TRUE(marker && marker->isVisible());
    EXPECT_EQ(marker->hole(), QRect(100, 100, 301, 201));
    const auto onScreen = [](int x, int y) { return QGuiApplication::primaryScreen()->grabWindow(0, x, y, 1, 1).toImage().pixelColor(0, 0); };
    EXPECT_TRUE(testsupport::waitUntil([&] { return onScreen(99, 200) == RecordingFrame::color; }));
    EXPECT_EQ(onScreen(100 + 301 + RecordingFrame::thickness - 1, 300), RecordingFrame::color);
    QTimer::singleShot(600, &notice, [&] { notice.hide(); });
    EXPECT_TRUE(testsupport::waitUntil([&] { return recorder->elapsed() && *recorder->elapsed() >= 1500ms; }, 3000));
    const auto stopped = std::chrono::steady_clock::now();
    const auto finished = testsupport::await(recorder->stop(), 60000);
    ASSERT_TRUE(finished);
    EXPECT_TRUE(log.contains("recording", "recording started width=302 height=202 mic=false system=false"));
    EXPECT_FALSE(finished->saveError);
    EXPECT_TRUE(finished->capture.isSaved);
    EXPECT_EQ(finished->capture.fileURL.parent_path(), dir / "saved");
    EXPECT_EQ(finished->capture.fileURL.extension(), ".mp4");
    EXPECT_EQ(finished->capture.pixelSize, (kit::Size{302, 202}));
    const ProbedMovie movie = probe(finished->capture.fileURL);
    ASSERT_TRUE(movie.ok);
    ASSERT_EQ(movie.streams.size(), 1u);
    EXPECT_EQ(movie.streams[0].codec, "h264");
    EXPECT_EQ(movie.streams[0].profile, "High");
    EXPECT_EQ(movie.streams[0].width, 302);
    EXPECT_EQ(movie.streams[0].height, 202);
    const double frame = 1.0 / 60;
    EXPECT_GE(movie.duration, std::chrono::duration<double>(stopped - started).count() - frame);
    EXPECT_LE(movie.duration, std::chrono::duration<double>(stopped - called).count() + frame);
    EXPECT_FALSE(recorder->elapsed());
    EXPECT_FALSE(marker->isVisible());
    QProcess decode;
    decode.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(finished->capture.fileURL.string()), "-f",
                            "rawvideo", "-pix_fmt", "rgb24", "-"});
    decode.waitForFinished(30000);
    const QByteArray frames = decode.readAllStandardOutput();
    const qsizetype frameBytes = 302 * 202 * 3;
    ASSERT_GE(frames.size(), frameBytes);
    for (qsizetype at = (100 * 302 + 100) * 3; at < frames.size(); at += frameBytes) {
        const auto r = quint8(frames[at]), g = quint8(frames[at + 1]);
        EXPECT_FALSE(r > 200 && g < 60) << "a frame shows Glimpo's window";
    }
    // Not a pixel of the recording frame reaches the movie's edges.
    const auto framePixel = [&](qsizetype start, int x, int y) {
        const qsizetype at = start + (qsizetype(y) * 302 + x) * 3;
        return quint8(frames[at]) > 160 && quint8(frames[at + 1]) < 120 && quint8(frames[at + 2]) < 120;
    };
    int edgePixels = 0;
    for (qsizetype start = 0; start + frameBytes <= frames.size(); start += frameBytes) {
        for (int x = 0; x < 302; ++x) edgePixels += framePixel(start, x, 0) + framePixel(start, x, 201);
        for (int y = 0; y < 202; ++y) edgePixels += framePixel(start, 0, y) + framePixel(start, 301, y);
    }
    EXPECT_EQ(edgePixels, 0) << "the recording frame is in the movie";
    // Nothing is left in the cache once saved.
    EXPECT_TRUE(testsupport::filesUnder(dir / "cache").empty());
}

// The child half of the crash test: records until its parent kills it.
TEST(RecordingCrash, DISABLED_ChildRecordsUntilKilled) {
    const char* folder = std::getenv("GLIMPO_RECORDING_CHILD");
    ASSERT_TRUE(folder);
    AppSettings settings(std::make_unique<SettingsStore>(std::filesystem::path(folder) / "child-settings.json"));
    CaptureLibrary library(settings, std::make_unique<DiskFileSystem>(), std::filesystem::path(folder) / "cache");
    auto displays = std::make_shared<DisplayService>(std::make_shared<platform::x11::XcbCaptureBackend>(), 1.0);
    StreamScreenRecorder recorder(library, displays, &linkedModule);
    const std::uint32_t first = displays->layout().displays().at(0).id;
    // Picture only, of a still screen: frames are then sparse, the case where a kill costs most.
    testsupport::await(recorder.start(kit::Rect::make(0, 0, 320, 240), first, false, false), 10000);
    testsupport::waitUntil([] { return false; }, 3500);
    std::printf("recording\n");
    std::fflush(stdout);
    testsupport::waitUntil([] { return false; }, 120000);
}

TEST_F(Recording, KillNineLeavesAPlayableMovieThatTheNextLaunchSaves) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("GLIMPO_RECORDING_CHILD", QString::fromStdString(dir.path().string()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=RecordingCrash.DISABLED_ChildRecordsUntilKilled"});
    ASSERT_TRUE(child.waitForStarted(5000));
    QByteArray out;
    ASSERT_TRUE(testsupport::waitUntil([&] { return (out += child.readAllStandardOutput()).contains("recording"); }, 30000))
        << out.toStdString();
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(5000);

    const std::set<std::filesystem::path> cached = testsupport::filesUnder(dir / "cache");
    ASSERT_EQ(cached.size(), 1u);
    const std::filesystem::path written = *cached.begin();
    EXPECT_EQ(written.extension(), StreamScreenRecorder::writingSuffix);
    const ProbedMovie cut = probe(written);
    ASSERT_TRUE(cut.ok);
    EXPECT_FALSE(probeFrames(written).empty());

    // The next launch: a new recorder over the same cache saves it and says so.
    std::optional<FinishedRecordingCapture> recovered;
    std::string notice;
    recorder = std::make_unique<StreamScreenRecorder>(library, displays, &linkedModule);
    QObject::connect(recorder.get(), &ScreenRecorder::notice, [&](const std::string& text) { notice = text; });
    QObject::connect(recorder.get(), &ScreenRecorder::stoppedBySystem, [&](const RecordingOutcome& outcome) {
        recovered = std::get<FinishedRecordingCapture>(outcome);
    });
    ASSERT_TRUE(testsupport::waitUntil([&] { return recovered.has_value(); }, 30000));
    EXPECT_EQ(notice, "A recording that was cut short was saved.");
    EXPECT_TRUE(recovered->capture.isSaved);
    EXPECT_EQ(recovered->capture.fileURL.parent_path(), dir / "saved");
    const ProbedMovie saved = probe(recovered->capture.fileURL);
    ASSERT_TRUE(saved.ok);
    EXPECT_GE(saved.duration, 2.5) << "a kill may cost the last second, no more";
    EXPECT_FALSE(std::filesystem::exists(written));
}

// The display is B, too big for a movie: it is scaled into the largest size the rule allows.
TEST_F(Recording, ADisplayThatGoesOrAnXErrorStopsTheRecordingAsTheSystemDid) {
    MemoryLogSink log;
    std::optional<RecordingOutcome> outcome;
    QObject::connect(recorder.get(), &ScreenRecorder::stoppedBySystem,
                     [&](const RecordingOutcome& result) { outcome = result; });
    const struct {
        QStringList removal, restore;
        const char* error;
    } cases[] = {
        {{"--delmonitor", "B"}, {"--setmonitor", "B", "4400/1164x1200/318+1920+0", "none"},
         "The display is no longer available."},
        // The recorded display lies beyond the shrunk screen: the grab fails.
        {{"--output", "screen", "--off", "--fb", "1920x1080"}, {"--fb", "6320x1200", "--output", "screen", "--auto"},
         "The display reported an error."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        outcome.reset();
        testsupport::await(recorder->start(std::nullopt, display(1), false, false), 10000);
        testsupport::waitUntil([] { return false; }, 500);
        run("xrandr", c.removal);
        ASSERT_TRUE(testsupport::waitUntil([&] { return outcome.has_value(); }, 10000));
        run("xrandr", c.restore);
        const auto* finished = std::get_if<FinishedRecordingCapture>(&*outcome);
        ASSERT_TRUE(finished);
        EXPECT_TRUE(finished->capture.isSaved);
        EXPECT_TRUE(log.contains("recording", std::string("stream stopped by the system error=") + c.error));
        const ProbedMovie movie = probe(finished->capture.fileURL);
        ASSERT_FALSE(movie.streams.empty());
        EXPECT_EQ(QSize(movie.streams[0].width, movie.streams[0].height), QSize(4096, 1118));
    }
}

} // namespace
