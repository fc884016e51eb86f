#include "kit/Calendar.h"

#include <chrono>
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

using namespace std::chrono;
using kit::Calendar;
using kit::DateComponents;

namespace {

TEST(CalendarTest, FixedOffsetShiftsTheWallClockAndFractionsRoundTowardsThePast) {
    const system_clock::time_point moment = sys_days(2026y / March / 5) + 9h + 7min + 3s;
    EXPECT_EQ(Calendar::fixedOffset(-10h).components(moment), (DateComponents{2026, 3, 4, 23, 7, 3}));
    EXPECT_EQ(Calendar::fixedOffset(5h + 30min).components(moment),
              (DateComponents{2026, 3, 5, 14, 37, 3}));
    EXPECT_EQ(Calendar::fixedOffset(0s).components(system_clock::time_point{} - milliseconds(1)),
              (DateComponents{1969, 12, 31, 23, 59, 59}));
}

TEST(CalendarTest, CurrentFollowsTheZoneOfTheEnvironment) {
    const char* saved = std::getenv("TZ");
    const std::string previous = saved ? saved : "";
    setenv("TZ", "UTC+3", 1); // POSIX sign: three hours behind UTC.
    const system_clock::time_point moment = sys_days(2026y / January / 1) + 1h;
    EXPECT_EQ(Calendar::current().components(moment), (DateComponents{2025, 12, 31, 22, 0, 0}));
    if (saved) setenv("TZ", previous.c_str(), 1); else unsetenv("TZ");
    tzset();
}

} // namespace
