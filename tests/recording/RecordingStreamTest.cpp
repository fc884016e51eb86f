// The stream against the real servers: sound and picture in step, Glimpo's own sounds kept out
// of the system audio, and a display or sound source that goes away while recording.

#include <gtest/gtest.h>

#include <pulse/simple.h>
#include <time.h>
#include <xcb/xcb.h>

#include <future>

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
                pa_simple_write(stream_.get(), chunk.data(), chunk.size() * sizeof(float), nullptr);
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

void run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(15000) || process.exitCode() != 0)
        throw std::runtime_error((program + " " + args.join(' ') + " failed").toStdString());
}

TEST_F(Recording, SoundAndPictureStayInStepAndGlimposOwnSoundsStayOut) {
    const auto shutter = platform::audio::makeCanberraSounds()->named("camera-shutter");
    ASSERT_TRUE(shutter);
    ClickPlayer player;
    fillRoot(0x000000);
    awaitStart(recorder->start(kit::Rect::make(0, 0, 200, 200), display(0), false, true));
    testsupport::waitUntil([] { return false; }, 300);
    ASSERT_TRUE(testsupport::waitUntil([&] { return player.steady(); }, 10000));
    testsupport::waitUntil([] { return false; }, 300);
    const std::int64_t heard = player.click();
    const timespec at{time_t(heard / 1'000'000'000), long(heard % 1'000'000'000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
    fillRoot(0xffffff);
    const double shownAfterHeard = double(hostNanoseconds() - heard) / 1e9;
    testsupport::waitUntil([] { return false; }, 300);
    // The second time, libcanberra plays it from the sound server's sample cache.
    for (int i = 0; i < 2; ++i) {
        shutter->play();
        testsupport::waitUntil([] { return false; }, 1000);
    }
    const auto finished = testsupport::await(recorder->stop(), 60000);
    ASSERT_TRUE(finished);

    const double flash = firstBrightFrame(finished->capture.fileURL);
    const double click = firstLoudSample(finished->capture.fileURL, 0);
    ASSERT_GT(flash, 0);
    ASSERT_GT(click, 0);
    EXPECT_NEAR(flash - click, shownAfterHeard, 0.030) << "flash " << flash << " s, click " << click << " s";
    EXPECT_EQ(firstLoudSample(finished->capture.fileURL, 0, click + 0.1), -1) << "the shutter is in the movie";
}

TEST_F(Recording, ADisplayThatGoesOrAnXErrorStopsTheRecordingAsTheSystemDid) {
    MemoryLogSink log;
    std::optional<RecordingOutcome> outcome;
    recorder->onStoppedBySystem = [&](RecordingOutcome result) { outcome = std::move(result); };
    const struct {
        QStringList removal, restore;
        const char* error;
    } cases[] = {
        {{"--delmonitor", "B"}, {"--setmonitor", "B", "4400/1164x1200/318+1920+0", "none"},
         "The display is no longer available."},
        // The recorded area lies beyond the shrunk screen: the grab fails.
        {{"--output", "screen", "--off", "--fb", "1920x1080"}, {"--fb", "6320x1200", "--output", "screen", "--auto"},
         "The display reported an error."},
    };
    for (const auto& c : cases) {
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
    // Within one AAC frame.
    EXPECT_NEAR(movie.streams[1].duration, movie.streams[0].duration, 0.025);
    EXPECT_NEAR(movie.streams[2].duration, movie.streams[0].duration, 0.025);
    content->kill();
    content->waitForFinished();
}

} // namespace
