// Glimpo's own sounds silenced in the system audio: what is held back, and what is silenced.

#include <gtest/gtest.h>

#include "app/platform/audio/OwnSoundFilter.h"

namespace {

using platform::audio::OwnSoundFilter;

constexpr std::int64_t ms = 1'000'000;

struct Received {
    std::vector<std::pair<std::int64_t, std::vector<float>>> chunks;
    OwnSoundFilter filter{[this](std::int64_t time, std::vector<float> samples) {
        chunks.emplace_back(time, std::move(samples));
    }};

    // `count` 10 ms chunks of full-scale sound from `start`, pushed as they would arrive.
    void feed(std::int64_t start, int count) {
        for (int i = 0; i < count; ++i)
            filter.push(start + i * 10 * ms, std::vector<float>(960, 1.0f), start + (i + 1) * 10 * ms);
    }
    bool silent(std::int64_t time) const {
        for (const auto& [at, samples] : chunks)
            if (at == time) return samples.front() == 0.0f && samples.back() == 0.0f;
        throw std::runtime_error("chunk not handed on");
    }
};

TEST(OwnSoundFilter, SilencesWhileAnOwnSoundPlaysHoldingBackOnlyWhatItMayCover) {
    Received r;
    r.feed(0, 50);
    EXPECT_EQ(r.chunks.size(), 50u);
    r.filter.streamStarted(7, 500 * ms);
    r.filter.streamIdentified(7, true);
    r.feed(500 * ms, 20);
    EXPECT_EQ(r.chunks.size(), 50u);
    r.filter.streamEnded(7, 600 * ms);
    r.feed(700 * ms, 10);
    ASSERT_EQ(r.chunks.size(), 80u);
    // Silent from 30 ms before the start to 30 ms after the end.
    EXPECT_FALSE(r.silent(460 * ms));
    EXPECT_TRUE(r.silent(500 * ms) && r.silent(620 * ms));
    EXPECT_FALSE(r.silent(630 * ms));
}

TEST(OwnSoundFilter, OthersStreamsPassAndFlushSilencesAnOwnSoundToItsEnd) {
    Received r;
    r.filter.streamStarted(3, 100 * ms);
    r.feed(100 * ms, 5);
    EXPECT_TRUE(r.chunks.empty());
    r.filter.streamIdentified(3, false);
    r.filter.streamStarted(4, 200 * ms);
    r.filter.streamIdentified(4, true);
    r.feed(150 * ms, 10);
    // Up to 30 ms before the own sound started.
    EXPECT_EQ(r.chunks.size(), 7u);
    r.filter.flush();
    ASSERT_EQ(r.chunks.size(), 15u);
    EXPECT_FALSE(r.silent(100 * ms) || r.silent(160 * ms));
    EXPECT_TRUE(r.silent(170 * ms) && r.silent(240 * ms));
}

} // namespace
