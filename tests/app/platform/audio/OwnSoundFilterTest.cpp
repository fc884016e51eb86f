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
                          },
                          300 * ms};

    // 10 ms chunks of full-scale sound from `start`, pushed as they would arrive.
    void feed(std::int64_t start, int count = 10) {
        for (int i = 0; i < count; ++i)
            filter.push(start + i * 10 * ms, std::vector<float>(960, 1.0f), start + (i + 1) * 10 * ms);
    }
    // Whether the chunk starting at `time` came out silent or loud (throws when it didn't come).
    bool silent(std::int64_t time) const {
        for (const auto& [at, samples] : chunks)
            if (at == time) return samples.front() == 0.0f && samples.back() == 0.0f;
        throw std::runtime_error("chunk not handed on");
    }
};

TEST(OwnSoundFilter, SilencesTheSystemAudioWhileAnOwnSoundPlaysAndHoldsItUntilItEnds) {
    Received r;
    r.filter.ownSoundBegan(7, 1000 * ms);
    r.feed(600 * ms, 60);
    // The sound is still playing: nothing from just before it on is handed on.
    ASSERT_FALSE(r.chunks.empty());
    EXPECT_EQ(r.chunks.back().first, 890 * ms);
    r.filter.ownSoundEnded(7, 1100 * ms);
    r.feed(1200 * ms, 60);
    // Silent from 30 ms before the start to 30 ms after the end.
    EXPECT_FALSE(r.silent(960 * ms));
    for (std::int64_t t = 970 * ms; t <= 1120 * ms; t += 10 * ms) EXPECT_TRUE(r.silent(t)) << t / ms;
    EXPECT_FALSE(r.silent(1130 * ms));
    // Held only as long as asked: a chunk leaves 300 ms after it arrived.
    EXPECT_EQ(r.chunks.back().first, 1490 * ms);
}

TEST(OwnSoundFilter, FlushHandsOnEverythingSilencingASoundThatNeverEnded) {
    Received r;
    r.filter.ownSoundEnded(3, 10 * ms); // never began: ignored
    r.feed(0);
    r.filter.ownSoundBegan(4, 120 * ms);
    r.feed(100 * ms);
    r.filter.flush();
    ASSERT_EQ(r.chunks.size(), 20u);
    EXPECT_FALSE(r.silent(0));
    EXPECT_FALSE(r.silent(80 * ms));
    EXPECT_TRUE(r.silent(100 * ms) && r.silent(190 * ms));
}

} // namespace
