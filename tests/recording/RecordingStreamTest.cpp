// The stream against the real servers: sound and picture in step, a display or sound source
// that goes away while recording, and Glimpo's own sounds kept out of the system audio.

#include <gtest/gtest.h>

#include <pulse/simple.h>
#include <time.h>
#include <xcb/xcb.h>

#include <future>
#include <limits>
#include <mutex>

#include "MovieProbe.h"
#include "RecordingFixture.h"
#include "app/base/Log.h"
#include "app/platform/audio/EventSounds.h"

namespace {

std::int64_t hostNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Keeps the default sink fed with silence; click() puts a 10 ms square wave in and says when
// its first sample leaves the sink.
class ClickPlayer {
public:
    ClickPlayer() {
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, 48000, 2};
        pa_buffer_attr attributes{};
        attributes.maxlength = attributes.prebuf = attributes.minreq = attributes.fragsize = std::uint32_t(-1);
        attributes.tlength = std::uint32_t(pa_usec_to_bytes(20'000, &spec));
        stream_ = pa_simple_new(nullptr, "glimpo-tests", PA_STREAM_PLAYBACK, nullptr, "click", &spec, nullptr,
                                &attributes, nullptr);
        if (!stream_) throw std::runtime_error("no playback stream");
        thread_ = std::thread([this] { run(); });
    }
    ~ClickPlayer() {
        quit_ = true;
        thread_.join();
        pa_simple_free(stream_);
    }

    // Whether the sink plays what it gets as it gets it: a null sink stalls for a while when a
    // new stream joins it.
    bool steady() const { return latency_ < 50'000 && hostNanoseconds() - written_ < 30'000'000; }

    // Host nanoseconds at which the click is heard.
    std::int64_t click() {
        std::promise<std::int64_t> heard;
        auto result = heard.get_future();
        {
            const std::lock_guard lock(mutex_);
            pending_ = &heard;
        }
        return result.get();
    }

private:
    void run() {
        const std::vector<float> silence(48000 / 200 * 2, 0.0f);
        std::vector<float> click(48000 / 100 * 2);
        for (std::size_t i = 0; i < click.size(); ++i) click[i] = (i / 48) % 2 ? 0.9f : -0.9f;
        while (!quit_) {
            std::promise<std::int64_t>* pending = nullptr;
            {
                const std::lock_guard lock(mutex_);
                std::swap(pending, pending_);
            }
            const auto& chunk = pending ? click : silence;
            pa_simple_write(stream_, chunk.data(), chunk.size() * sizeof(float), nullptr);
            // Latency counts to the last sample written.
            const pa_usec_t latency = pa_simple_get_latency(stream_, nullptr);
            latency_ = std::int64_t(latency);
            written_ = hostNanoseconds();
            if (pending) pending->set_value(hostNanoseconds() + std::int64_t(latency) * 1000 - 10'000'000);
        }
    }

    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::atomic<std::int64_t> latency_{std::numeric_limits<std::int64_t>::max()};
    std::atomic<std::int64_t> written_{0};
    std::mutex mutex_;
    std::promise<std::int64_t>* pending_ = nullptr;
};

// Fills a rectangle of the root window; returns once the server has drawn it.
void fillRoot(QRect rect, std::uint32_t rgb) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, screen->root, XCB_GC_FOREGROUND, &rgb);
    const xcb_rectangle_t area{std::int16_t(rect.x()), std::int16_t(rect.y()), std::uint16_t(rect.width()),
                               std::uint16_t(rect.height())};
    xcb_poly_fill_rectangle(c, screen->root, gc, 1, &area);
    xcb_free_gc(c, gc);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

void run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(15000) || process.exitCode() != 0)
        throw std::runtime_error((program + " " + args.join(' ') + " failed").toStdString());
}

TEST_F(Recording, SoundAndPictureStayInStep) {
    ClickPlayer player;
    ASSERT_TRUE(testsupport::waitUntil([&] { return player.steady(); }, 10000));
    fillRoot(QRect(0, 0, 200, 200), 0x000000);
    awaitStart(recorder->start(kit::Rect::make(0, 0, 200, 200), display(0), false, true));
    testsupport::waitUntil([] { return false; }, 300);
    ASSERT_TRUE(testsupport::waitUntil([&] { return player.steady(); }, 10000));
    testsupport::waitUntil([] { return false; }, 300);
    const std::int64_t heard = player.click();
    const timespec at{time_t(heard / 1'000'000'000), long(heard % 1'000'000'000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
    fillRoot(QRect(0, 0, 200, 200), 0xffffff);
    const double shownAfterHeard = double(hostNanoseconds() - heard) / 1e9;
    testsupport::waitUntil([] { return false; }, 700);
    const auto finished = testsupport::await(recorder->stop(), 60000);
    ASSERT_TRUE(finished);

    const double flash = firstBrightFrame(finished->capture.fileURL);
    const double click = firstLoudSample(finished->capture.fileURL, 0);
    ASSERT_GT(flash, 0);
    ASSERT_GT(click, 0);
    EXPECT_NEAR(flash - click, shownAfterHeard, 0.030) << "flash " << flash << " s, click " << click << " s";
}

TEST_F(Recording, ADisplayThatGoesOrAnXErrorStopsTheRecordingAsTheSystemDid) {
    MemoryLogSink log;
    std::optional<RecordingOutcome> outcome;
    recorder->onStoppedBySystem = [&](RecordingOutcome result) { outcome = std::move(result); };
    struct Case {
        QStringList removal, restore;
        const char* error;
    };
    const Case cases[] = {
        {{"--delmonitor", "B"},
         {"--setmonitor", "B", "4400/1164x1200/318+1920+0", "none"},
         "The display is no longer available."},
        // The recorded area lies beyond the shrunk screen: the grab fails.
        {{"--output", "screen", "--off", "--fb", "1920x1080"},
         {"--fb", "6320x1200", "--output", "screen", "--auto"},
         "The display reported an error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        outcome.reset();
        awaitStart(recorder->start(kit::Rect::make(100, 100, 200, 200), display(1), false, false));
        testsupport::waitUntil([] { return false; }, 500);
        run("xrandr", c.removal);
        ASSERT_TRUE(testsupport::waitUntil([&] { return outcome.has_value(); }, 10000));
        run("xrandr", c.restore);
        const auto* finished = std::get_if<FinishedRecordingCapture>(&*outcome);
        ASSERT_TRUE(finished);
        EXPECT_TRUE(finished->capture.isSaved);
        EXPECT_TRUE(log.contains("recording", std::string("stream stopped by the system error=") + c.error));
        EXPECT_FALSE(recorder->elapsed());
    }
}

TEST_F(Recording, ASoundSourceThatGoesLeavesSilenceOnTheClock) {
    auto content = showMotion(QRect(0, 0, 200, 200), false);
    awaitStart(recorder->start(kit::Rect::make(0, 0, 200, 200), display(0), true, true));
    testsupport::waitUntil([] { return false; }, 700);
    run("pactl", {"unload-module", "module-null-sink"});
    testsupport::waitUntil([] { return false; }, 1000);
    const auto finished = testsupport::await(recorder->stop(), 60000);
    run("pactl", {"load-module", "module-null-sink", "sink_name=glimpo_test", "rate=48000"});
    ASSERT_TRUE(finished);
    const ProbedMovie movie = probe(finished->capture.fileURL);
    ASSERT_EQ(movie.streams.size(), 3u);
    // One AAC frame of slack.
    EXPECT_NEAR(movie.streams[1].duration, movie.streams[0].duration, 0.025);
    EXPECT_NEAR(movie.streams[2].duration, movie.streams[0].duration, 0.025);
    content->kill();
    content->waitForFinished();
}

TEST_F(Recording, GlimposOwnSoundsStayOutOfTheSystemAudio) {
    const auto sounds = platform::audio::makeCanberraSounds();
    ASSERT_TRUE(sounds->deviceAvailable());
    const auto shutter = sounds->named("camera-shutter");
    ASSERT_TRUE(shutter);
    // Silence from a stream that was playing before: it keeps the null sink steady.
    ClickPlayer player;
    awaitStart(recorder->start(kit::Rect::make(0, 0, 200, 200), display(0), false, true));
    testsupport::waitUntil([] { return false; }, 300);
    ASSERT_TRUE(testsupport::waitUntil([&] { return player.steady(); }, 10000));
    // The second time libcanberra plays it from the sound server's sample cache.
    for (int i = 0; i < 2; ++i) {
        shutter->play();
        testsupport::waitUntil([] { return false; }, 1000);
    }
    const auto finished = testsupport::await(recorder->stop(), 60000);
    ASSERT_TRUE(finished);
    EXPECT_LT(peakVolume(finished->capture.fileURL, 0), -50.0);
}

} // namespace
