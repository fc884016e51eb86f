#include "kit/TempRetention.h"

#include <chrono>
#include <limits>

#include <gtest/gtest.h>

using namespace std::chrono;
using kit::TempRetention::Entry;
using kit::TempRetention::expiredFiles;
using Paths = std::vector<std::filesystem::path>;

namespace {

const system_clock::time_point now = system_clock::time_point(sys_days(2026y / March / 5));

TEST(TempRetentionTest, OnlyStrictlyOlderThanTheMaximumExpires) {
    const std::vector<Entry> entries = {
        {"exact", now - 86400s},
        {"older", now - 86401s},
        {"barely", now - 86400s - nanoseconds(1)},
        {"future", now + 1h},
    };
    EXPECT_EQ(expiredFiles(entries, now, kit::TempRetention::maximumAge), (Paths{"older", "barely"}));
    // Fractions of the maximum are ignored.
    EXPECT_EQ(expiredFiles({{"a", now - 10s - milliseconds(500)}, {"b", now - 10s}}, now, duration<double>(10.9)),
              Paths{"a"});
}

TEST(TempRetentionTest, ExtremeDatesAndLimitsAreDefined) {
    const std::vector<Entry> entries = {{"ancient", system_clock::time_point::min()},
                                        {"distant", system_clock::time_point::max()}};
    EXPECT_EQ(expiredFiles(entries, system_clock::time_point::max(), 86400s), Paths{"ancient"});
    EXPECT_EQ(expiredFiles(entries, now, duration<double>(std::numeric_limits<double>::quiet_NaN())),
              Paths{});
    EXPECT_EQ(expiredFiles(entries, now, duration<double>(-1e300)), (Paths{"ancient", "distant"}));
}

} // namespace
