#include "app/quickaccess/DisplayPanelScreens.h"

#include "app/capture/DisplayService.h"

namespace {

// X11 keeps no per-monitor work area, so a display's visible frame is its whole frame.
PanelScreens::Screen screenOf(const DisplayInfo& display) {
    return {display.frame, display.frame};
}

} // namespace

DisplayPanelScreens::DisplayPanelScreens(std::shared_ptr<DisplayService> displays)
    : displays_(std::move(displays)) {}

kit::Point DisplayPanelScreens::pointerLocation() const {
    return displays_->pointerLocation();
}

std::optional<PanelScreens::Screen> DisplayPanelScreens::screenContaining(kit::Point globalPoint) const {
    const DisplayLayout layout = displays_->layout();
    if (const DisplayInfo* display = layout.screenContaining(globalPoint)) return screenOf(*display);
    return std::nullopt;
}

std::optional<PanelScreens::Screen> DisplayPanelScreens::mainScreen() const {
    const DisplayLayout layout = displays_->layout();
    if (const DisplayInfo* display = layout.mainDisplay()) return screenOf(*display);
    return std::nullopt;
}

QRect DisplayPanelScreens::toTopLeft(const kit::Rect& global) const {
    const QRectF root = displays_->layout().rootFromGlobal(global);
    return DisplayService::widgetGeometry(root.toAlignedRect());
}
