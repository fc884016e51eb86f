#include "kit/TempRetention.h"

#include <cmath>
#include <cstdint>

namespace kit::TempRetention {

namespace {
__extension__ typedef __int128 Int128;
} // namespace

std::vector<std::filesystem::path> expiredFiles(const std::vector<Entry>& entries,
                                                std::chrono::system_clock::time_point now,
                                                std::chrono::duration<double> maxAge) {
    std::vector<std::filesystem::path> expired;
    const double wholeSeconds = std::trunc(maxAge.count());
    if (std::isnan(wholeSeconds)) return expired;

    // Ages are differences of two 64-bit tick counts, so they are computed in 128 bits; any
    // limit beyond twice the clock's range is as good as infinite and is clamped to keep the
    // conversion defined.
    using Ticks = std::chrono::system_clock::duration;
    constexpr Int128 ticksPerSecond = Ticks::period::den / Ticks::period::num;
    constexpr double farSeconds = 1e12;
    if (wholeSeconds >= farSeconds) return expired;
    const Int128 limit =
        static_cast<Int128>(wholeSeconds <= -farSeconds ? -farSeconds : wholeSeconds) * ticksPerSecond;

    const Int128 nowTicks = now.time_since_epoch().count();
    for (const Entry& entry : entries) {
        const Int128 age = nowTicks - static_cast<Int128>(entry.created.time_since_epoch().count());
        if (age > limit) expired.push_back(entry.url);
    }
    return expired;
}

} // namespace kit::TempRetention
