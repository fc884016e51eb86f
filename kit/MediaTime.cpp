#include "kit/MediaTime.h"

#include <cmath>
#include <ostream>

namespace kit {

namespace {
// A GCC/Clang extension; __extension__ keeps -Wpedantic quiet about it.
__extension__ typedef __int128 Int128;
} // namespace

MediaTime MediaTime::invalid() {
    return {};
}

MediaTime MediaTime::fromSeconds(double seconds, std::int32_t timescale) {
    if (timescale <= 0 || !std::isfinite(seconds)) return invalid();
    const double ticks = std::round(seconds * timescale);
    // 2^63 is exact as a double; anything outside [-2^63, 2^63) would not convert.
    constexpr double limit = 9223372036854775808.0;
    if (!(ticks >= -limit && ticks < limit)) return invalid();
    return {static_cast<std::int64_t>(ticks), timescale};
}

MediaTime MediaTime::fromNanoseconds(std::int64_t nanoseconds) {
    return {nanoseconds, nanosecondTimescale};
}

double MediaTime::seconds() const {
    if (!isValid()) return std::nan("");
    return static_cast<double>(value) / timescale;
}

MediaTime MediaTime::maximum(MediaTime a, MediaTime b) {
    if (!a.isValid()) return b;
    if (!b.isValid()) return a;
    return a < b ? b : a;
}

std::weak_ordering operator<=>(const MediaTime& a, const MediaTime& b) {
    if (!a.isValid() || !b.isValid()) {
        if (a.isValid()) return std::weak_ordering::less;
        if (b.isValid()) return std::weak_ordering::greater;
        return std::weak_ordering::equivalent;
    }
    // Both timescales are positive, so cross-multiplying keeps the order; 64 x 32 bits fits.
    const Int128 left = static_cast<Int128>(a.value) * b.timescale;
    const Int128 right = static_cast<Int128>(b.value) * a.timescale;
    if (left < right) return std::weak_ordering::less;
    if (left > right) return std::weak_ordering::greater;
    return std::weak_ordering::equivalent;
}

std::ostream& operator<<(std::ostream& out, const MediaTime& t) {
    if (!t.isValid()) return out << "invalid";
    return out << t.value << '/' << t.timescale;
}

} // namespace kit
