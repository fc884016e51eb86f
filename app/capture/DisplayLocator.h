#pragma once
// Where the pointer is, which display lies under a point, and where a global rectangle lies in
// the top-left desktop coordinates that Qt places windows in: what the coordinator and the
// floating panels (thumbnails, notices, the bar) ask about the displays. Also the area a
// recording shows, which the recorder sets and the floating panels keep clear of.

#include <cstdint>
#include <optional>
#include <vector>

#include <QRect>

#include "app/base/Observation.h"
#include "kit/Geometry.h"
#include "kit/PanelPlacement.h"

class DisplayLocator {
public:
    struct Screen {
        std::uint32_t id = 0;
        // The whole display, global coordinates.
        kit::Rect frame;
        // Without the desktop's panels and docks.
        kit::Rect visibleFrame;
    };

    virtual ~DisplayLocator() = default;

    virtual kit::Point pointerLocation() const = 0;
    // The first display whose frame holds the point, edges included.
    virtual std::optional<Screen> screenContaining(kit::Point globalPoint) const = 0;
    // The primary display, else the first; none without displays.
    virtual std::optional<Screen> mainScreen() const = 0;
    // Every display.
    virtual std::vector<Screen> allScreens() const = 0;
    // In Qt's logical pixels, which are points.
    virtual QRect toTopLeft(const kit::Rect& global) const = 0;

    // Global coordinates of what the running recording shows; none while none runs. A tracked
    // read: observeChanges bodies re-run when it changes. Main thread only.
    const std::optional<kit::Rect>& recordedArea() const { return recordedArea_.get(); }
    void setRecordedArea(std::optional<kit::Rect> area) { recordedArea_.set(area); }

private:
    Observed<std::optional<kit::Rect>> recordedArea_;
};

// `wanted`, a panel's frame on `screen`, moved where it covers no part of the recorded area:
// elsewhere within that display's frame (whole or visible, as `frameOf` picks), else on another
// display. Left where it is when no display has room; the recording then holds its frames back.
// A tracked read of the recorded area.
inline kit::Rect clearOfRecording(const DisplayLocator& displays, const DisplayLocator::Screen& screen,
                                  const kit::Rect& wanted, kit::Rect DisplayLocator::Screen::*frameOf) {
    const std::optional<kit::Rect>& area = displays.recordedArea();
    if (!area) return wanted;
    std::vector<kit::Rect> frames{screen.*frameOf};
    for (const DisplayLocator::Screen& other : displays.allScreens())
        if (other.id != screen.id) frames.push_back(other.*frameOf);
    return kit::PanelPlacement::clearOf(wanted, *area, frames).value_or(wanted);
}

// The display under the pointer, else the main one; none when there are no displays.
inline std::optional<DisplayLocator::Screen> screenUnderPointer(const DisplayLocator& displays) {
    if (auto screen = displays.screenContaining(displays.pointerLocation())) return screen;
    return displays.mainScreen();
}
