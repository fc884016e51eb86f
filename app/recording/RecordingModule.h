#pragma once
// The seam between the recorder (main thread, no large libraries) and the recording module
// (libglimpo-recording.so: FFmpeg, libpulse and the screen streams). The module is loaded through
// app/base/Modules on the first recording, the first movie thumbnail or the first microphone
// question, and hands out the operations below.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QObject>
#include <QRect>

#include "kit/MediaTime.h"
#include "kit/Recording.h"

// The platform half of one recording: a movie writer fed by the screen stream and, when asked,
// by the sound server. Its blocking calls run off the main thread.
class RecordingSession {
public:
    struct Settings {
        // The fragmented movie written while recording.
        std::filesystem::path file;
        // Root pixels of the recorded region.
        QRect rootArea;
        kit::RecordingFormat::PixelSize size;
        bool systemAudio = false;
        bool microphone = false;
        // In a Wayland session, the stream the ScreenCast portal shared: its PipeWire remote
        // (the session takes it over), node, and the root pixels it shows. Absent on X11.
        struct SharedScreen {
            int fd = -1;
            std::uint32_t node = 0;
            QRect area;
        };
        std::optional<SharedScreen> sharedScreen;
    };

    virtual ~RecordingSession() = default;

    // Starts the stream; throws kit::Error. `onStopped` runs on a stream thread with the
    // reason when the stream ends on its own (display gone, X error).
    virtual void start(std::function<void(const std::string& error)> onStopped) = 0;
    // Root pixel rectangles of Glimpo's own windows on screen; frames that would show them are
    // not written. Any thread.
    virtual void setOwnWindows(std::vector<QRect> rootRects) = 0;
    // Stops capture, sound once it has been heard up to `stopTime` (the sound server hands it
    // over late); the error's description when stopping failed.
    virtual std::optional<std::string> stopCapture(kit::MediaTime stopTime) = 0;
    // Closes the movie at the later of the last sample and `stopTime`; a writer error's reason
    // when it failed.
    virtual std::optional<std::string> finish(kit::MediaTime stopTime) = 0;
};

// Pictures of one area of a screen that a Wayland session shared, each time the screen changes:
// the frames of a scrolling capture there.
class ScreenPictures {
public:
    using PictureHandler = std::function<void(QImage picture)>;
    using StopHandler = std::function<void(const std::string& error)>;

    virtual ~ScreenPictures() = default;
    // Throws kit::Error when the stream can't start. `onPicture` runs on the stream's thread with
    // the area's pixels (Format_RGB32, at the stream's own resolution); `onStopped` once, there
    // too, when the stream ends by itself.
    virtual void start(PictureHandler onPicture, StopHandler onStopped) = 0;
    // Returns when the stream's thread has ended. Idempotent.
    virtual void stop() = 0;
};

class RecordingModule {
public:
    virtual ~RecordingModule() = default;

    // Creates the movie writer (throws RecordingWriterError as kit::Error); the stream starts
    // with RecordingSession::start.
    virtual std::unique_ptr<RecordingSession> makeSession(const RecordingSession::Settings& settings) const = 0;
    // Rewrites a fragmented movie as an ordinary one with its index at the front; the movie's
    // picture size, or none when the fragmented file holds no playable video.
    virtual std::optional<kit::Size> finishMovie(const std::filesystem::path& fragmented,
                                                 const std::filesystem::path& output) const = 0;
    // Frame zero of a movie, for its thumbnail. Blocking.
    virtual std::optional<QImage> firstFrame(const std::filesystem::path& movie) const = 0;
    // Whether the sound server answers and has a default input source. Blocking.
    virtual bool hasInputSource(int timeoutMs) const = 0;
    // The pictures of `rootArea` (root pixels, inside the shared screen's area); the stream
    // takes the screen's PipeWire remote over.
    virtual std::unique_ptr<ScreenPictures> watchSharedScreen(const RecordingSession::Settings::SharedScreen& screen,
                                                              QRect rootArea) const = 0;

    // The loaded module's operations; throws kit::Error when the module is missing, damaged or
    // of another version. Blocking (the first call loads the module); any thread.
    static const RecordingModule& load();
};

// Raised with every change to the two classes above: a module built against another version of
// them is refused rather than called.
#define GLIMPO_RECORDING_MODULE_IID "org.glimpo.Glimpo.RecordingModule/2"
Q_DECLARE_INTERFACE(RecordingModule, GLIMPO_RECORDING_MODULE_IID)
