#pragma once
// A media time stamp: value / timescale seconds, as the movie writer and the capture stream
// stamp samples. Times of different timescales compare exactly (no rounding, no overflow).
// A timescale of 0 (or below) marks an invalid time, which orders after every valid one.

#include <compare>
#include <cstdint>
#include <iosfwd>

namespace kit {

struct MediaTime {
    std::int64_t value = 0;
    std::int32_t timescale = 0;

    static MediaTime invalid();
    // Rounded to the nearest tick; invalid for a non-positive timescale, a non-finite number of
    // seconds, or one that does not fit the 64-bit value.
    static MediaTime fromSeconds(double seconds, std::int32_t timescale);
    static MediaTime fromNanoseconds(std::int64_t nanoseconds);

    bool isValid() const { return timescale > 0; }
    // NaN for an invalid time.
    double seconds() const;

    // The later of the two; with one operand invalid, the other. Ties give the first.
    static MediaTime maximum(MediaTime a, MediaTime b);

    // Equivalence, not identity: 1/2 == 2/4, and all invalid times are equal.
    friend std::weak_ordering operator<=>(const MediaTime& a, const MediaTime& b);
    friend bool operator==(const MediaTime& a, const MediaTime& b) { return (a <=> b) == 0; }
};

inline constexpr std::int32_t nanosecondTimescale = 1'000'000'000;

std::ostream& operator<<(std::ostream& out, const MediaTime& t);

} // namespace kit
