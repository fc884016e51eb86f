#pragma once
// The screen stream of a Wayland session: the PipeWire video stream that the ScreenCast portal
// opened, read on PipeWire's own thread loop. Each buffer the compositor sends is a frame in which
// something changed; the recorded area is cut out of it and scaled to the movie's size. Nothing
// comes while the screen is still, so the last picture is handed over again twice a second.
// Lives in the recording module.

#include <memory>

#include <QImage>

#include "app/platform/ScreenStream.h"

namespace platform::wayland {

class PipeWireScreenStream : public ScreenStream {
public:
    struct Source {
        // The PipeWire remote the portal opened; the stream takes it over.
        int fd = -1;
        std::uint32_t node = 0;
        // The root pixels the stream shows (its output's place in the layout).
        QRect area;
    };

    // `configuration.sourceRect` is in root pixels, inside `source.area`.
    PipeWireScreenStream(Configuration configuration, Source source);
    ~PipeWireScreenStream() override;
    PipeWireScreenStream(const PipeWireScreenStream&) = delete;
    PipeWireScreenStream& operator=(const PipeWireScreenStream&) = delete;

    void start(FrameHandler onFrame, StopHandler onStopped) override;
    // Instead of movie frames: the source rectangle's own pixels (Format_RGB32, at the stream's
    // resolution), unscaled, whenever the screen changed.
    using PictureHandler = std::function<void(QImage picture)>;
    void startPictures(PictureHandler onPicture, StopHandler onStopped);
    void stop() override;
    void setExcludedAreas(std::vector<QRect> rootRects) override;

    struct Reader;

private:
    // Opens the stream for the handler set.
    void connect(StopHandler onStopped);

    std::unique_ptr<Reader> reader_;
};

} // namespace platform::wayland
