#pragma once
// Sound for a recording through the sound server (PulseAudio, or PipeWire's pulse server): the
// microphone is the default source, system audio the monitor of the default sink. Both come as
// 48 kHz float stereo, every sample the server hands over, each chunk stamped on the host clock
// (CLOCK_MONOTONIC) at the moment its first sample was heard: the server's timing (its position
// and the device latency) sets the clock, the count of samples carries it between timings, so
// a block of seconds lands where it was heard and a pause of the source stays a gap. Glimpo's
// own sounds are kept out of the system audio (OwnSoundFilter).

#include <functional>
#include <memory>
#include <vector>

#include "kit/MediaTime.h"

namespace platform::audio {

class PulseAudioCapture {
public:
    enum class Source { systemAudio, microphone };
    // Interleaved stereo. Runs on the sound server client's thread.
    using Handler = std::function<void(Source source, kit::MediaTime time, std::vector<float> samples)>;

    PulseAudioCapture();
    ~PulseAudioCapture();
    PulseAudioCapture(const PulseAudioCapture&) = delete;
    PulseAudioCapture& operator=(const PulseAudioCapture&) = delete;

    // Connects and starts the streams asked for; throws kit::Error when the sound server can't
    // be reached or a stream can't start.
    void start(bool systemAudio, bool microphone, Handler handler);
    // Ends the streams; returns when no more chunks will be handed out. Idempotent.
    void stop();
    // Whether the source went away: it hands out nothing more.
    bool ended(Source source) const;

    struct Client;

private:
    std::unique_ptr<Client> client_;
};

} // namespace platform::audio
