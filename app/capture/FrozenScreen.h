#pragma once
// A frozen frame: every display's pixels at the moment a selection began, without Glimpo's
// windows. The overlay shows it, and the capture the user picks is cut from it, so both show
// exactly the same pixels. It lives as long as the selection and the capture it leads to.

#include <cstdint>
#include <map>
#include <vector>

#include <QImage>

#include "app/capture/CapturableWindow.h"
#include "app/capture/DisplayService.h"

// Every display's pixels at one moment, without Glimpo's windows.
struct FrozenScreen {
    DisplayLayout layout;
    // Whole displays at full pixel resolution, by display identifier.
    std::map<std::uint32_t, QImage> images;
    // The windows offered while the frame was on screen, with the frames the user saw.
    std::vector<CapturableWindow> windows;
};
