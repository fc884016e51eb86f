#pragma once
// Keeps this process's own sounds (the shutter, text copied) out of the system audio it
// records: the sound server's monitor hears every stream mixed together, so the system audio is
// held back briefly and silenced over the times one of Glimpo's own sounds was playing. Pure
// logic, fed from the sound server client's thread.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

namespace platform::audio {

class OwnSoundFilter {
public:
    // Interleaved stereo at 48 kHz with the host time (nanoseconds) of its first sample.
    using Output = std::function<void(std::int64_t time, std::vector<float> samples)>;

    // Sound is held for `hold` nanoseconds after it arrived, long enough to learn that a stream
    // that just started is one of Glimpo's own.
    explicit OwnSoundFilter(Output output, std::int64_t hold = 300'000'000);

    // Host times at which one of Glimpo's own playback streams (by id) started and ended.
    void ownSoundBegan(std::uint32_t id, std::int64_t time);
    void ownSoundEnded(std::uint32_t id, std::int64_t time);

    // A chunk of the system audio arriving at `now`; hands on what was held long enough.
    void push(std::int64_t time, std::vector<float> samples, std::int64_t now);
    // Hands on everything held; a sound still playing silences it to its end.
    void flush();

private:
    struct Chunk {
        std::int64_t time, arrived;
        std::vector<float> samples;
        std::int64_t end() const;
    };
    struct Span {
        std::int64_t begin, end;
    };
    void release(Chunk chunk);

    Output output_;
    std::int64_t hold_;
    std::deque<Chunk> held_;
    std::map<std::uint32_t, std::int64_t> playing_;
    std::vector<Span> spans_;
};

} // namespace platform::audio
