#include "app/platform/audio/OwnSoundFilter.h"

#include <algorithm>
#include <limits>

namespace platform::audio {

namespace {
constexpr std::int64_t rate = 48000;
// The sound server's stamps wander by a few milliseconds either way.
constexpr std::int64_t margin = 30'000'000;
// A stream that never says whose it is or that it ended holds nothing back after this.
constexpr std::int64_t longestSound = 5'000'000'000;
constexpr std::int64_t open = std::numeric_limits<std::int64_t>::max();
} // namespace

std::int64_t OwnSoundFilter::Chunk::end() const {
    return time + std::int64_t(samples.size() / 2) * 1'000'000'000 / rate;
}

OwnSoundFilter::OwnSoundFilter(Output output) : output_(std::move(output)) {}

void OwnSoundFilter::streamStarted(std::uint32_t id, std::int64_t time) { streams_[id] = {time, std::nullopt}; }

void OwnSoundFilter::streamIdentified(std::uint32_t id, bool own) {
    const auto found = streams_.find(id);
    if (found == streams_.end()) return;
    if (own) {
        found->second.own = true;
    } else {
        streams_.erase(found);
    }
}

void OwnSoundFilter::streamEnded(std::uint32_t id, std::int64_t time) {
    const auto found = streams_.find(id);
    if (found == streams_.end()) return;
    // One that ended before anyone could tell whose it was is taken for someone else's.
    if (found->second.own == true) spans_.push_back({found->second.began - margin, time + margin});
    streams_.erase(found);
}

void OwnSoundFilter::push(std::int64_t time, std::vector<float> samples, std::int64_t now) {
    held_.push_back({time, std::move(samples)});
    std::int64_t firstOpen = open;
    for (auto it = streams_.begin(); it != streams_.end();) {
        if (now - it->second.began > longestSound) {
            if (it->second.own == true) spans_.push_back({it->second.began - margin, now});
            it = streams_.erase(it);
            continue;
        }
        firstOpen = std::min(firstOpen, it->second.began - margin);
        ++it;
    }
    while (!held_.empty() && held_.front().end() <= firstOpen) {
        release(std::move(held_.front()));
        held_.pop_front();
    }
}

void OwnSoundFilter::flush() {
    for (const auto& [id, stream] : streams_)
        if (stream.own == true) spans_.push_back({stream.began - margin, open});
    streams_.clear();
    while (!held_.empty()) {
        release(std::move(held_.front()));
        held_.pop_front();
    }
}

void OwnSoundFilter::release(Chunk chunk) {
    const std::int64_t frames = std::int64_t(chunk.samples.size() / 2);
    for (const Span& span : spans_) {
        const auto index = [&](std::int64_t t) {
            if (t == open) return frames;
            return std::clamp<std::int64_t>((t - chunk.time) * rate / 1'000'000'000, 0, frames);
        };
        std::fill(chunk.samples.begin() + 2 * index(span.begin), chunk.samples.begin() + 2 * index(span.end), 0.0f);
    }
    const std::int64_t end = chunk.end();
    std::erase_if(spans_, [&](const Span& span) { return span.end < end; });
    output_(chunk.time, std::move(chunk.samples));
}

} // namespace platform::audio
