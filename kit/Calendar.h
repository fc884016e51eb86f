#pragma once
// Breaks a moment into wall-clock year..second: in the user's local zone, or in a fixed offset
// from UTC (what tests use, so they never depend on the machine's zone).

#include <chrono>
#include <optional>

namespace kit {

struct DateComponents {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const DateComponents&, const DateComponents&) = default;
};

class Calendar {
public:
    // The user's zone as the C library knows it (TZ, /etc/localtime), daylight saving included.
    static Calendar current();
    // Offsets beyond a day are clamped to a day.
    static Calendar fixedOffset(std::chrono::seconds utcOffset);

    // Hours run 0 to 23. Fractions of a second are dropped (rounded towards the past). A moment
    // the zone cannot convert gives all zeros.
    DateComponents components(std::chrono::system_clock::time_point moment) const;

private:
    explicit Calendar(std::optional<std::chrono::seconds> utcOffset) : utcOffset_(utcOffset) {}

    // Absent for the local zone.
    std::optional<std::chrono::seconds> utcOffset_;
};

} // namespace kit
