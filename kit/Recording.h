#pragma once
// The platform-free rules of a screen recording: the movie's picture size and bit rate, the
// lifecycle that keeps starts and stops from overlapping, where the movie's time line ends, and
// what a stopped recording left behind.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string_view>
#include <utility>

#include "kit/Geometry.h"
#include "kit/MediaTime.h"
#include "kit/SaveOutcome.h"

namespace kit {

namespace RecordingFormat {

inline constexpr int maximumSide = 4096;
inline constexpr int framesPerSecond = 60;

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

std::ostream& operator<<(std::ostream& out, const PixelSize& size);

// Even sides (the encoder needs them), rounded up, the longest scaled down to maximumSide at
// most. Non-finite or negative inputs give 0 x 0.
PixelSize videoSize(Size points, double scale);

// Bits per second: 10 Mbit/s at 2880 x 1800, linear in the pixel count, within 2..10 Mbit/s.
std::int64_t bitrate(PixelSize size);

} // namespace RecordingFormat

class RecordingLifecycle {
public:
    enum class State { idle, starting, recording, stopping };

    State state() const { return state_; }

    // idle -> starting; refused (false) in any other state.
    bool beginStart();
    // starting -> recording; ignored otherwise, so a start that completes after it was given up
    // leaves idle alone.
    void didStart();
    // recording -> stopping; refused (false) in any other state.
    bool beginStop();
    // Any state -> idle; ends every attempt, successful or not.
    void didFinish();

private:
    State state_ = State::idle;
};

// "idle", "starting", "recording", "stopping", as log lines name them.
std::string_view name(RecordingLifecycle::State state);
std::ostream& operator<<(std::ostream& out, RecordingLifecycle::State state);

namespace RecordingTimeline {

// The later of the two, so the movie ends neither before its last sample nor before the stop
// was asked for. An invalid time gives way to the other.
MediaTime endTime(MediaTime lastSample, MediaTime stopRequested);

} // namespace RecordingTimeline

class FinishedRecording {
public:
    // Saved into the save folder at `url`.
    static FinishedRecording saved(std::filesystem::path url);
    // Left at `url` in the cache because saving failed with `error`.
    static FinishedRecording unsaved(std::filesystem::path url, SaveError error);

    // A failed save keeps the temporary file's location.
    static FinishedRecording resolve(const std::filesystem::path& temp, const SaveResult& save);

    bool isSaved() const { return !error_.has_value(); }
    const std::filesystem::path& url() const { return url_; }
    // Present exactly when unsaved.
    const std::optional<SaveError>& error() const { return error_; }

    friend bool operator==(const FinishedRecording&, const FinishedRecording&) = default;

private:
    FinishedRecording(std::filesystem::path url, std::optional<SaveError> error)
        : url_(std::move(url)), error_(std::move(error)) {}

    std::filesystem::path url_;
    std::optional<SaveError> error_;
};

std::ostream& operator<<(std::ostream& out, const FinishedRecording& recording);

} // namespace kit
