#include "kit/Recording.h"

#include <cerrno>
#include <limits>

#include <gtest/gtest.h>

using kit::RecordingLifecycle;
using kit::RecordingFormat::PixelSize;
using kit::RecordingFormat::bitrate;
using kit::RecordingFormat::videoSize;
using State = RecordingLifecycle::State;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(RecordingTest, VideoSizeIsEvenCappedAt4096AndEmptyForNonsense) {
    struct Case { kit::Size size; double scale; PixelSize expected; };
    for (const Case& c : std::vector<Case>{
             {{2560, 1440}, 2, {4096, 2304}}, {{301, 201}, 1, {302, 202}}, {{1000, 3000}, 2, {1366, 4096}},
             {{0.4, 0.4}, 1, {2, 2}}, {{2048, 1000}, 2, {4096, 2000}}, {{4096.0000001, 3}, 1, {4096, 4}},
             {{1e300, 1e300}, 1e300, {4096, 4096}}, {{1e300, 5e299}, 1e10, {4096, 2048}},
             {{nan, 100}, 1, {0, 0}}, {{100, inf}, 1, {0, 0}}, {{100, 100}, nan, {0, 0}},
             {{-5, 100}, 1, {0, 0}}, {{100, 100}, -1, {0, 0}}}) {
        EXPECT_EQ(videoSize(c.size, c.scale), c.expected) << c.size << " @ " << c.scale;
    }
}

TEST(RecordingTest, Bitrate) {
    EXPECT_EQ(bitrate({3008, 1692}), 9'817'777);
    EXPECT_EQ(bitrate({302, 202}), 2'000'000);
    constexpr auto big = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(bitrate({big, big}), 10'000'000);
    EXPECT_EQ(bitrate({-big, big}), 2'000'000);
}

TEST(RecordingTest, LifecycleRefusesOverlappingStartsAndStops) {
    RecordingLifecycle lifecycle;
    EXPECT_FALSE(lifecycle.beginStop());
    EXPECT_TRUE(lifecycle.beginStart());
    EXPECT_FALSE(lifecycle.beginStart());
    EXPECT_FALSE(lifecycle.beginStop());
    lifecycle.didStart();
    EXPECT_EQ(lifecycle.state(), State::recording);
    EXPECT_TRUE(lifecycle.beginStop());
    EXPECT_FALSE(lifecycle.beginStop());
    EXPECT_FALSE(lifecycle.beginStart());
    lifecycle.didStart();
    EXPECT_EQ(lifecycle.state(), State::stopping);
    lifecycle.didFinish();
    EXPECT_EQ(lifecycle.state(), State::idle);

    // A late start after giving up stays idle.
    lifecycle.beginStart();
    lifecycle.didFinish();
    lifecycle.didStart();
    EXPECT_EQ(lifecycle.state(), State::idle);
}

TEST(RecordingTest, ResolveKeepsTheTemporaryFileWhenSavingFailed) {
    using kit::FinishedRecording;
    const auto error = kit::SaveError::fromErrno(ENOSPC);
    const auto unsaved = FinishedRecording::resolve("/cache/x/m.mp4", kit::SaveResult::failure(error));
    EXPECT_EQ(unsaved, FinishedRecording::unsaved("/cache/x/m.mp4", error));
    const auto saved = FinishedRecording::resolve("/cache/x/m.mp4", kit::SaveResult::success("/s/m.mp4"));
    EXPECT_EQ(saved, FinishedRecording::saved("/s/m.mp4"));
}

} // namespace
