#include "app/platform/audio/OwnSoundFilter.h"

#include <algorithm>
#include <limits>

namespace platform::audio {

namespace {
constexpr std::int64_t rate = 48000;
// The sound server's stamps wander by a few milliseconds either way.
constexpr std::int64_t margin = 30'000'000;
// A sound of Glimpo's that never says it ended stops holding the system audio back after this.
constexpr std::int64_t longestSound = 5'000'000'000;
constexpr std::int64_t open = std::numeric_limits<std::int64_t>::max();
} // namespace

std::int64_t OwnSoundFilter::Chunk::end() const {
    return time + std::int64_t(samples.size() / 2) * 1'000'000'000 / rate;
}

OwnSoundFilter::OwnSoundFilter(Output output, std::int64_t hold) : output_(std::move(output)), hold_(hold) {}

void OwnSoundFilter::ownSoundBegan(std::uint32_t id, std::int64_t time) { playing_[id] = time; }

void OwnSoundFilter::ownSoundEnded(std::uint32_t id, std::int64_t time) {
    const auto found = playing_.find(id);
    if (found == playing_.end()) return;
    spans_.push_back({found->second - margin, time + margin});
    playing_.erase(found);
}

void OwnSoundFilter::push(std::int64_t time, std::vector<float> samples, std::int64_t now) {
    held_.push_back({time, now, std::move(samples)});
    for (auto it = playing_.begin(); it != playing_.end();) {
        if (now - it->second > longestSound) {
            spans_.push_back({it->second - margin, now});
            it = playing_.erase(it);
        } else {
            ++it;
        }
    }
    std::int64_t firstOpen = open;
    for (const auto& [id, began] : playing_) firstOpen = std::min(firstOpen, began - margin);
    // What a sound still playing may cover waits for its end.
    while (!held_.empty() && held_.front().arrived + hold_ <= now && held_.front().end() <= firstOpen) {
        release(std::move(held_.front()));
        held_.pop_front();
    }
}

void OwnSoundFilter::flush() {
    for (const auto& [id, began] : playing_) spans_.push_back({began - margin, open});
    playing_.clear();
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
