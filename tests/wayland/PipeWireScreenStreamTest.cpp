// The Wayland screen stream against a real PipeWire daemon and a test stream standing in for the
// compositor's screencast.

extern "C" {
#include <libavutil/frame.h>
}

#include <mutex>
#include <set>

#include <gtest/gtest.h>

#include "PipeWireTestSupport.h"
#include "app/platform/wayland/PipeWireScreenStream.h"

namespace {

using namespace std::chrono_literals;
using platform::wayland::PipeWireScreenStream;
using pipewiretest::PipeWireDaemon;
using pipewiretest::TestScreen;
using pipewiretest::waitUntil;

struct Seen {
    std::mutex lock;
    int frames = 0;
    std::set<int> restLuma;
    int cornerLuma = -1;
    QSize size;
};

int frames(Seen& seen) {
    std::lock_guard guard(seen.lock);
    return seen.frames;
}

TEST(PipeWireScreenStream, CutsTheAreaOutOfTheSharedScreenAndFollowsItsChanges) {
    PipeWireDaemon daemon;
    TestScreen screen;
    // The shared monitor sits at (1280, 0) of the layout; the area is the screen's middle.
    PipeWireScreenStream stream({QRect(1280 + 80, 60, 160, 120), {160, 120}},
                                {daemon.connect(), screen.node(), QRect(1280, 0, 320, 240)});
    Seen seen;
    stream.start(
        [&seen](platform::x11::StreamFrame frame) {
            std::lock_guard guard(seen.lock);
            AVFrame* picture = frame.picture;
            ++seen.frames;
            seen.size = QSize(picture->width, picture->height);
            seen.cornerLuma = picture->data[0][20 * picture->linesize[0] + 20];
            seen.restLuma.insert(picture->data[0][100 * picture->linesize[0] + 140]);
            av_frame_free(&picture);
        },
        [](const std::string&) {});
    EXPECT_TRUE(waitUntil([&] {
        std::lock_guard guard(seen.lock);
        return seen.restLuma.size() >= 2;
    }, 10000)) << "the stream never showed the screen changing";
    {
        std::lock_guard guard(seen.lock);
        EXPECT_EQ(seen.size, QSize(160, 120));
        // White (limited range) where the area overlaps the top-left quarter.
        EXPECT_NEAR(seen.cornerLuma, 235, 3);
    }

    // Glimpo's own window over the area: nothing more is written (after a frame in flight).
    stream.setExcludedAreas({QRect(1280 + 100, 100, 50, 50)});
    std::this_thread::sleep_for(100ms);
    const int before = frames(seen);
    std::this_thread::sleep_for(300ms); // about nine frames of the test screen
    EXPECT_EQ(frames(seen), before);
    stream.stop();
}

} // namespace
