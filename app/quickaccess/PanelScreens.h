#pragma once
// What the floating panels need to know about the displays: where the pointer is, the frames of
// the display under it (global coordinates, points, y up), and where a global rectangle lies in
// the top-left desktop coordinates that Qt places windows in.

#include <optional>

#include <QRect>

#include "kit/Geometry.h"

class PanelScreens {
public:
    struct Screen {
        // The whole display.
        kit::Rect frame;
        // Without the desktop's panels and docks.
        kit::Rect visibleFrame;
    };

    virtual ~PanelScreens() = default;

    virtual kit::Point pointerLocation() const = 0;
    virtual std::optional<Screen> screenContaining(kit::Point globalPoint) const = 0;
    virtual std::optional<Screen> mainScreen() const = 0;
    // In Qt's logical pixels, which are points.
    virtual QRect toTopLeft(const kit::Rect& global) const = 0;
};

// The display under the pointer, else the main one; none when there are no displays.
inline std::optional<PanelScreens::Screen> screenUnderPointer(const PanelScreens& screens) {
    if (auto screen = screens.screenContaining(screens.pointerLocation())) return screen;
    return screens.mainScreen();
}
