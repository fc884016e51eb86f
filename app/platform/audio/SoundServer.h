#pragma once
// Questions to the sound server (PulseAudio or PipeWire's pulse server).

namespace platform::audio {

// Whether the sound server answers within the time and has a default input source.
bool hasInputSource(int timeoutMs = 1500);

// Whether a sound server answers within the time.
bool serverAnswers(int timeoutMs = 500);

} // namespace platform::audio
