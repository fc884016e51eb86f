#pragma once
// How long fresh captures may stay in the cache, and which of them are past it.

#include <chrono>
#include <filesystem>
#include <vector>

namespace kit::TempRetention {

inline constexpr std::chrono::seconds maximumAge{86400};

struct Entry {
    std::filesystem::path url;
    std::chrono::system_clock::time_point created;
};

// The urls, in input order, whose age at `now` is strictly more than the whole seconds of
// `maxAge`. A NaN maxAge expires nothing.
std::vector<std::filesystem::path> expiredFiles(const std::vector<Entry>& entries,
                                                std::chrono::system_clock::time_point now,
                                                std::chrono::duration<double> maxAge = maximumAge);

} // namespace kit::TempRetention
