#pragma once
// Turns the samples of a recording (screen frames, system audio, microphone) into one MPEG-4
// movie with an H.264 High track (libx264) and an AAC track per audio input. Every sample and
// the finishing run on one serial thread, the writer's queue; handing a sample over never
// waits, and a sample the encoder has no room for is dropped. The movie is written as
// fragmented MP4, so a crash leaves a playable file; RecordingModule's finishMovie turns it
// into an ordinary one when the recording stops.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/Error.h"
#include "kit/MediaTime.h"
#include "kit/Recording.h"

struct AVFrame;

class RecordingWriterError : public kit::Error {
public:
    using kit::Error::Error;
    const char* reason() const { return what(); }
};

class RecordingWriter {
public:
    enum class Output { screen, audio, microphone, other };
    // The frame status of a screen sample: only complete frames are written. A held frame (one
    // the stream kept back because Glimpo's own window covered the area) and the started frame
    // (the moment the stream ran) start the time line all the same, so the movie lasts from the
    // start of the recording; its first complete picture is shown from there.
    static constexpr long long frameComplete = 0;
    static constexpr long long frameIdle = 1;
    static constexpr long long frameHeld = 3;
    static constexpr long long frameStarted = 4;

    struct FrameFree {
        void operator()(AVFrame* frame) const;
    };
    using Picture = std::unique_ptr<AVFrame, FrameFree>;

    struct Sample {
        Output type = Output::screen;
        // Presentation time on the host clock.
        kit::MediaTime time;
        bool valid = true;
        // Screen samples: the frame status; absent when the sample carries none.
        std::optional<long long> status;
        // Screen samples: YUV 4:2:0 at the movie's pixel size.
        Picture picture;
        // Audio samples: interleaved stereo at 48 kHz.
        std::vector<float> audio;
    };

    // The queue's label; the kernel keeps 15 bytes of a thread name, so the thread itself is
    // called threadName.
    static constexpr const char* queueLabel = "org.glimpo.Glimpo.recording";
    static constexpr const char* threadName = "GlimpoRecording";

    // Creates the file, the encoders and the queue, and starts writing; the time line starts
    // at the first complete frame. Throws RecordingWriterError.
    RecordingWriter(const std::filesystem::path& url, kit::RecordingFormat::PixelSize size, bool systemAudio,
                    bool microphone);
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Any thread; the sample is handled on the queue.
    void stream(Sample sample);

    // Closes the movie on the queue and waits for it; none on success. Called once.
    std::optional<RecordingWriterError> finish(kit::MediaTime stopTime);

    struct State;

private:
    std::unique_ptr<State> state_;
};
