#pragma once
// The screen stream of an X server ($DISPLAY), over a connection of its own so that the Damage
// events it asks for reach its grabbing thread (on a shared connection Qt's reader thread would
// take them). MIT-SHM grabs of the region, XFixes for the cursor, XDamage for what changed,
// RandR for a monitor that goes away while it is recorded.

#include <memory>

#include "app/platform/ScreenStream.h"

namespace platform::x11 {

class X11ScreenStream : public ScreenStream {
public:
    explicit X11ScreenStream(Configuration configuration);
    ~X11ScreenStream() override;
    X11ScreenStream(const X11ScreenStream&) = delete;
    X11ScreenStream& operator=(const X11ScreenStream&) = delete;

    void start(FrameHandler onFrame, StopHandler onStopped) override;
    void stop() override;
    void setExcludedAreas(std::vector<QRect> rootRects) override;

    struct Grabber;

private:
    std::unique_ptr<Grabber> grabber_;
};

} // namespace platform::x11
