#include "app/recording/StreamRecordingSession.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <unistd.h>

#include "app/platform/audio/PulseAudioCapture.h"
#include "app/platform/wayland/PipeWireScreenStream.h"
#include "app/platform/x11/X11ScreenStream.h"
#include "app/recording/RecordingWriter.h"

using platform::audio::PulseAudioCapture;

namespace {
// The longest the sound server may take to hand over the sound up to the stop.
constexpr auto soundDrainLimit = std::chrono::milliseconds(2500);
} // namespace

struct StreamRecordingSession::Parts {
    Settings settings;
    // Declared first, destroyed last: the stream and the sound hand it samples until they end.
    RecordingWriter writer;
    std::unique_ptr<platform::ScreenStream> screen;
    PulseAudioCapture sound;
    // Host time in nanoseconds up to which each source (system audio, microphone) was heard,
    // and of the latest screen frame.
    std::atomic<std::int64_t> heardUntil[2] = {0, 0};
    std::atomic<std::int64_t> lastFrame{0};

    explicit Parts(const Settings& s) : settings(s), writer(openWriter(s)), screen(makeScreen(s)) {}

    // The shared screen's PipeWire remote is the session's from the start; the stream takes it
    // over once made, so a writer that cannot start must not leave it open.
    static RecordingWriter openWriter(const Settings& s) {
        try {
            return RecordingWriter(s.file, s.size, s.systemAudio, s.microphone);
        } catch (...) {
            if (s.sharedScreen && s.sharedScreen->fd >= 0) ::close(s.sharedScreen->fd);
            throw;
        }
    }

    static std::unique_ptr<platform::ScreenStream> makeScreen(const Settings& s) {
        if (s.sharedScreen)
            return std::make_unique<platform::wayland::PipeWireScreenStream>(
                platform::ScreenStream::Configuration{s.rootArea, s.size},
                platform::wayland::PipeWireScreenStream::Source{s.sharedScreen->fd, s.sharedScreen->node,
                                                                 s.sharedScreen->area});
        return std::make_unique<platform::x11::X11ScreenStream>(
            platform::ScreenStream::Configuration{s.rootArea, s.size});
    }
};

StreamRecordingSession::StreamRecordingSession(const Settings& settings)
    : parts_(std::make_unique<Parts>(settings)) {}

StreamRecordingSession::~StreamRecordingSession() {
    parts_->screen->stop();
    parts_->sound.stop();
}

void StreamRecordingSession::start(std::function<void(const std::string& error)> onStopped) {
    Parts& p = *parts_;
    // Sound first: it is ready when the first frame starts the time line.
    if (p.settings.systemAudio || p.settings.microphone) {
        p.sound.start(p.settings.systemAudio, p.settings.microphone,
                      [&p](PulseAudioCapture::Source source, kit::MediaTime time, std::vector<float> samples) {
                          RecordingWriter::Sample sample;
                          sample.type = source == PulseAudioCapture::Source::systemAudio
                                            ? RecordingWriter::Output::audio
                                            : RecordingWriter::Output::microphone;
                          sample.time = time;
                          const auto index = source == PulseAudioCapture::Source::systemAudio ? 0 : 1;
                          p.heardUntil[index].store(std::llround(time.seconds() * 1e9) +
                                                    std::int64_t(samples.size() / 2) * 1'000'000'000 / 48000);
                          sample.audio = std::move(samples);
                          p.writer.stream(std::move(sample));
                      });
    }
    try {
        p.screen->start(
            [&p](platform::StreamFrame frame) {
                RecordingWriter::Sample sample;
                sample.type = RecordingWriter::Output::screen;
                sample.time = frame.time;
                p.lastFrame.store(std::llround(frame.time.seconds() * 1e9));
                using Status = platform::StreamFrame::Status;
                sample.status = frame.status == Status::complete  ? RecordingWriter::frameComplete
                                : frame.status == Status::held    ? RecordingWriter::frameHeld
                                : frame.status == Status::started ? RecordingWriter::frameStarted
                                                                  : RecordingWriter::frameIdle;
                sample.picture.reset(frame.picture);
                p.writer.stream(std::move(sample));
            },
            onStopped);
    } catch (...) {
        p.sound.stop();
        throw;
    }
}

void StreamRecordingSession::setOwnWindows(std::vector<QRect> rootRects) {
    parts_->screen->setExcludedAreas(std::move(rootRects));
}

std::optional<std::string> StreamRecordingSession::stopCapture(kit::MediaTime stopTime) {
    Parts& p = *parts_;
    p.screen->stop();
    const auto deadline = std::chrono::steady_clock::now() + soundDrainLimit;
    // The movie ends at the stop, or at a frame grabbed just after it.
    const std::int64_t until = std::max<std::int64_t>(std::llround(stopTime.seconds() * 1e9), p.lastFrame.load());
    const auto waiting = [&](bool wanted, PulseAudioCapture::Source source) {
        return wanted && !p.sound.ended(source) && p.heardUntil[int(source)].load() < until;
    };
    while (waiting(p.settings.systemAudio, PulseAudioCapture::Source::systemAudio) ||
           waiting(p.settings.microphone, PulseAudioCapture::Source::microphone)) {
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    p.sound.stop();
    return std::nullopt;
}

std::optional<std::string> StreamRecordingSession::finish(kit::MediaTime stopTime) {
    if (auto error = parts_->writer.finish(stopTime)) return std::string(error->reason());
    return std::nullopt;
}
