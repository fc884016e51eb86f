#pragma once
// Still images of an area, a window or a whole display.

#include <cstdint>

#include <qcoro/qcorotask.h>

#include "app/capture/CapturedImage.h"
#include "kit/Geometry.h"

class ScreenCaptureService {
public:
    virtual ~ScreenCaptureService() = default;

    // `rect` is display-local, in points, as the overlay delivered it.
    virtual QCoro::Task<CapturedImage> captureRect(kit::Rect rect, std::uint32_t displayID) = 0;
    virtual QCoro::Task<CapturedImage> captureWindow(std::uint32_t windowNumber) = 0;
    // The display under a point in global coordinates.
    virtual QCoro::Task<CapturedImage> captureDisplay(kit::Point globalPoint) = 0;
};
