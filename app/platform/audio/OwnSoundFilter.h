#pragma once
// Keeps this process's own sounds (the shutter, text copied) out of the system audio it
// records: the sound server's monitor hears every stream mixed together, so the system audio is
// silenced over the times one of Glimpo's own sounds was playing. From the moment a playback
// stream starts until it is known whose it is, and while one of Glimpo's plays, the system
// audio after its start is held back. Pure logic, fed from the sound server client's thread.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace platform::audio {

class OwnSoundFilter {
public:
    // Interleaved stereo at 48 kHz with the host time (nanoseconds) of its first sample.
    using Output = std::function<void(std::int64_t time, std::vector<float> samples)>;

    explicit OwnSoundFilter(Output output);

    // A playback stream (by id) started at a host time; then whether it is Glimpo's own; then
    // its end.
    void streamStarted(std::uint32_t id, std::int64_t time);
    void streamIdentified(std::uint32_t id, bool own);
    void streamEnded(std::uint32_t id, std::int64_t time);

    // A chunk of the system audio arriving at `now`; hands on what nothing holds back.
    void push(std::int64_t time, std::vector<float> samples, std::int64_t now);
    // Hands on everything held; a sound of Glimpo's still playing silences it to its end.
    void flush();

private:
    struct Chunk {
        std::int64_t time;
        std::vector<float> samples;
        std::int64_t end() const;
    };
    struct Span {
        std::int64_t begin, end;
    };
    struct Stream {
        std::int64_t began;
        std::optional<bool> own;
    };
    void release(Chunk chunk);

    Output output_;
    std::deque<Chunk> held_;
    std::map<std::uint32_t, Stream> streams_;
    std::vector<Span> spans_;
};

} // namespace platform::audio
