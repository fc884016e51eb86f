#pragma once
// The screens floating panels are placed on, as the display service sees them (RandR monitors).

#include <memory>

#include "app/quickaccess/PanelScreens.h"

class DisplayService;

class DisplayPanelScreens final : public PanelScreens {
public:
    explicit DisplayPanelScreens(std::shared_ptr<DisplayService> displays);

    kit::Point pointerLocation() const override;
    std::optional<Screen> screenContaining(kit::Point globalPoint) const override;
    std::optional<Screen> mainScreen() const override;
    QRect toTopLeft(const kit::Rect& global) const override;

private:
    std::shared_ptr<DisplayService> displays_;
};
