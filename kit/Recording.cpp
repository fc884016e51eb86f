#include "kit/Recording.h"

#include <cmath>
#include <ostream>

namespace kit {

namespace RecordingFormat {

namespace {

// Rounded up, capped at maximumSide, then odd values up to even.
std::int64_t evenSide(double x) {
    if (!(x > 0)) return 0;
    // Capping before the conversion keeps it defined for any x.
    const std::int64_t n =
        x >= maximumSide ? maximumSide : static_cast<std::int64_t>(std::ceil(x));
    return n + n % 2;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const PixelSize& size) {
    return out << size.width << " x " << size.height;
}

PixelSize videoSize(Size points, double scale) {
    const double w = points.width;
    const double h = points.height;
    if (!std::isfinite(w) || !std::isfinite(h) || !std::isfinite(scale) || w < 0 || h < 0 ||
        scale < 0) {
        return {0, 0};
    }
    const double longest = w <= h ? h : w;
    const double scaledLongest = longest * scale;
    if (scaledLongest <= maximumSide) return {evenSide(w * scale), evenSide(h * scale)};
    if (std::isinf(scaledLongest)) {
        // The product overflowed; the same proportion without it.
        return {evenSide(w / longest * maximumSide), evenSide(h / longest * maximumSide)};
    }
    const double factor = maximumSide / scaledLongest;
    return {evenSide(w * scale * factor), evenSide(h * scale * factor)};
}

std::int64_t bitrate(PixelSize size) {
    constexpr double minimum = 2'000'000;
    constexpr double maximum = 10'000'000;
    // Widened so that no pixel size overflows; a double holds the product within 2^-52.
    __extension__ typedef __int128 Int128;
    const Int128 pixels = static_cast<Int128>(size.width) * size.height;
    const double bits = static_cast<double>(pixels) * 10'000'000.0 / 5'184'000.0;
    if (bits <= minimum) return static_cast<std::int64_t>(minimum);
    if (bits >= maximum) return static_cast<std::int64_t>(maximum);
    return static_cast<std::int64_t>(bits);
}

} // namespace RecordingFormat

bool RecordingLifecycle::beginStart() {
    if (state_ != State::idle) return false;
    state_ = State::starting;
    return true;
}

void RecordingLifecycle::didStart() {
    if (state_ == State::starting) state_ = State::recording;
}

bool RecordingLifecycle::beginStop() {
    if (state_ != State::recording) return false;
    state_ = State::stopping;
    return true;
}

void RecordingLifecycle::didFinish() {
    state_ = State::idle;
}

std::string_view name(RecordingLifecycle::State state) {
    switch (state) {
    case RecordingLifecycle::State::idle: return "idle";
    case RecordingLifecycle::State::starting: return "starting";
    case RecordingLifecycle::State::recording: return "recording";
    case RecordingLifecycle::State::stopping: return "stopping";
    }
    return "unknown";
}

std::ostream& operator<<(std::ostream& out, RecordingLifecycle::State state) {
    return out << name(state);
}

namespace RecordingTimeline {

MediaTime endTime(MediaTime lastSample, MediaTime stopRequested) {
    return MediaTime::maximum(lastSample, stopRequested);
}

} // namespace RecordingTimeline

FinishedRecording FinishedRecording::saved(std::filesystem::path url) {
    return FinishedRecording(std::move(url), std::nullopt);
}

FinishedRecording FinishedRecording::unsaved(std::filesystem::path url, SaveError error) {
    return FinishedRecording(std::move(url), std::move(error));
}

FinishedRecording FinishedRecording::resolve(const std::filesystem::path& temp,
                                             const SaveResult& save) {
    return save.ok() ? saved(save.value()) : unsaved(temp, save.error());
}

std::ostream& operator<<(std::ostream& out, const FinishedRecording& recording) {
    if (recording.isSaved()) return out << "saved(" << recording.url() << ')';
    return out << "unsaved(" << recording.url() << ", " << *recording.error() << ')';
}

} // namespace kit
