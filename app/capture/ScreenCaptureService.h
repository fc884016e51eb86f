#pragma once
// Still images of an area, a window or a whole display, and the windows that may be offered for
// window capture. The X server is reached only through the capture backend; this class decides
// what is offered, what is grabbed and how big the result is.
//
// What the user picks through the selection overlay is cut from the frozen frame the overlay took
// when it began, which travels with the overlay's result: the capture shows exactly what the user
// saw and never the overlay. Without a frozen frame (a full-screen capture) the screen is grabbed
// live, with Glimpo's own windows hidden for the grab.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QImage>
#include <QRect>
#include <qcoro/qcorotask.h>

#include "app/capture/CapturableWindow.h"
#include "app/capture/CapturedImage.h"
#include "app/capture/DisplayService.h"
#include "app/capture/FrozenScreen.h"
#include "app/capture/OwnWindows.h"
#include "app/base/Log.h"
#include "app/platform/CaptureBackend.h"
#include "kit/Geometry.h"


class ScreenCaptureService {
public:
    // `displays` reads the layout through the same backend.
    ScreenCaptureService(std::shared_ptr<platform::CaptureBackend> backend,
                         std::shared_ptr<const DisplayService> displays, std::unique_ptr<OwnWindows> ownWindows);
    virtual ~ScreenCaptureService();
    ScreenCaptureService(const ScreenCaptureService&) = delete;
    ScreenCaptureService& operator=(const ScreenCaptureService&) = delete;

    // `rect` is display-local, in points, as the overlay delivered it; the part outside the
    // display is left out. With a frozen frame the pixels are cut from it, else grabbed now.
    virtual QCoro::Task<CapturedImage> captureRect(kit::Rect rect, std::uint32_t displayID,
                                                   std::shared_ptr<const FrozenScreen> frozen = nullptr);
    virtual QCoro::Task<CapturedImage> captureWindow(std::uint32_t windowNumber,
                                                     std::shared_ptr<const FrozenScreen> frozen = nullptr);
    // The display under a point in global coordinates, else the main display.
    virtual QCoro::Task<CapturedImage> captureDisplay(kit::Point globalPoint);
    // Normal and dialog windows on screen, not Glimpo's, at least 40 by 40 points, frontmost first.
    virtual QCoro::Task<std::vector<CapturableWindow>> windows();

    const DisplayService& displays() const { return *displays_; }
    // False where the session shows Glimpo only some windows (those of X programs under Wayland).
    bool listsEveryWindow() const { return backend_->listsEveryWindow(); }

    // Grabs every display of `layout` once.
    QCoro::Task<std::shared_ptr<FrozenScreen>> freeze(DisplayLayout layout);

    static constexpr double minimumWindowSide = 40.0;

private:
    std::vector<CapturableWindow> listWindows(const DisplayLayout& layout) const;
    // Hides Glimpo's windows over `rootArea` and waits until the screen beneath is drawn again.
    QCoro::Task<HiddenWindows> hideOwnWindowsOver(QRect rootArea);
    QCoro::Task<QImage> grabLive(QRect rootArea);

    std::shared_ptr<platform::CaptureBackend> backend_;
    std::unique_ptr<OwnWindows> ownWindows_;
    std::shared_ptr<const DisplayService> displays_;
    Logger log_{"capture"};
};
