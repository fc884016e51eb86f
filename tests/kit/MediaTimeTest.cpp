#include "kit/MediaTime.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

using kit::MediaTime;

namespace {

TEST(MediaTimeTest, ComparesExactlyAcrossTimescalesWithoutOverflow) {
    EXPECT_EQ((MediaTime{1, 2}), (MediaTime{500'000'000, 1'000'000'000}));
    EXPECT_LT((MediaTime{1, 3}), (MediaTime{333'333'334, 1'000'000'000}));
    EXPECT_GT((MediaTime{1, 3}), (MediaTime{333'333'333, 1'000'000'000}));
    // Never overflowing on the way.
    constexpr auto big = std::numeric_limits<std::int64_t>::max();
    constexpr auto scale = std::numeric_limits<std::int32_t>::max();
    EXPECT_GT((MediaTime{big, 1}), (MediaTime{big, scale}));
    EXPECT_LT((MediaTime{std::numeric_limits<std::int64_t>::min(), 1}), (MediaTime{big, scale}));
}

TEST(MediaTimeTest, InvalidTimesOrderLastAndEqualEachOtherAndNonsenseSecondsAreInvalid) {
    EXPECT_EQ(MediaTime::invalid(), (MediaTime{7, 0}));
    EXPECT_LT((MediaTime{std::numeric_limits<std::int64_t>::max(), 1}), MediaTime::invalid());
    EXPECT_EQ(MediaTime::fromSeconds(1.5, 600), (MediaTime{900, 600}));
    EXPECT_EQ(MediaTime::fromSeconds(0.0016, 1000).value, 2);
    EXPECT_FALSE(MediaTime::fromSeconds(std::nan(""), 600).isValid());
    EXPECT_FALSE(MediaTime::fromSeconds(1e300, 600).isValid());
    EXPECT_FALSE(MediaTime::fromSeconds(1, 0).isValid());
}

} // namespace
