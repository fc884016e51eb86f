#pragma once
// The screen half of a recording stream: frames of one region of the screen, scaled to the
// movie's pixel size with the cursor drawn in, stamped on the host clock (CLOCK_MONOTONIC) and
// marked complete when something in the region changed since the last frame, idle otherwise, and
// held while one of Glimpo's own windows covers the region. The first frame marks the start.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QRect>

#include "kit/MediaTime.h"
#include "kit/Recording.h"

struct AVFrame;

namespace platform {

struct StreamFrame {
    // Held: one of Glimpo's own windows covers the region, so the frame shows nothing. Started:
    // the moment the stream runs, before its first picture.
    enum class Status { complete, idle, held, started };
    kit::MediaTime time;
    Status status = Status::idle;
    // YUV 4:2:0 at the configured size; null unless complete.
    AVFrame* picture = nullptr;
};

class ScreenStream {
public:
    struct Configuration {
        // Root pixels.
        QRect sourceRect;
        kit::RecordingFormat::PixelSize size;
        int framesPerSecond = kit::RecordingFormat::framesPerSecond;
    };
    // Takes ownership of frame.picture. Runs on the stream's thread.
    using FrameHandler = std::function<void(StreamFrame frame)>;
    // The stream ended on its own; runs once, on the stream's thread.
    using StopHandler = std::function<void(const std::string& error)>;

    virtual ~ScreenStream() = default;
    // Throws kit::Error when the stream can't start; hands over the started frame before it
    // returns.
    virtual void start(FrameHandler onFrame, StopHandler onStopped) = 0;
    // Returns when the stream's thread has ended. Idempotent.
    virtual void stop() = 0;
    // Root rectangles that must not appear in a written frame; frames showing any are held.
    virtual void setExcludedAreas(std::vector<QRect> rootRects) = 0;
};

} // namespace platform
