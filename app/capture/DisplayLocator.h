#pragma once
// Where the pointer is, which display lies under a point, and where a global rectangle lies in
// the top-left desktop coordinates that Qt places windows in: what the coordinator and the
// floating panels (thumbnails, notices, the bar) ask about the displays.

#include <cstdint>
#include <optional>

#include <QRect>

#include "kit/Geometry.h"

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
    // In Qt's logical pixels, which are points.
    virtual QRect toTopLeft(const kit::Rect& global) const = 0;
};

// The display under the pointer, else the main one; none when there are no displays.
inline std::optional<DisplayLocator::Screen> screenUnderPointer(const DisplayLocator& displays) {
    if (auto screen = displays.screenContaining(displays.pointerLocation())) return screen;
    return displays.mainScreen();
}
