#pragma once
// Still images of an area, a window or a whole display, and the windows that may be offered for
// window capture. The X server is reached only through the capture backend; this class decides
// what is offered, what is grabbed and how big the result is.
//
// What the user picks through the selection overlay is cut from the frozen frame the overlay took
// when it began: the overlay offers that frame here while it reports its result, so the capture
// shows exactly what the user saw and never the overlay. Without a frozen frame (a full-screen
// capture) the screen is grabbed live, with Glimpo's own windows hidden for the grab.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include <QImage>
#include <QRect>
#include <qcoro/qcorotask.h>

#include "app/capture/CapturableWindow.h"
#include "app/capture/CapturedImage.h"
#include "app/capture/DisplayService.h"
#include "app/capture/OwnWindows.h"
#include "app/base/Log.h"
#include "app/platform/x11/X11CaptureBackend.h"
#include "kit/Geometry.h"

// Every display's pixels at one moment, without Glimpo's windows.
struct FrozenScreen {
    DisplayLayout layout;
    // Whole displays at full pixel resolution, by display identifier.
    std::map<std::uint32_t, QImage> images;
    // The windows offered while the frame was on screen, with the frames the user saw.
    std::vector<CapturableWindow> windows;
};

// What a capture or a recording of one display takes in, and what it leaves out.
struct DisplayFilter {
    DisplayInfo display;
    std::set<std::uint32_t> excludedWindows;
};

class ScreenCaptureService {
public:
    // Its own connection to the X server (opened on first use), this process's Qt windows as
    // its own, and Qt's device pixel ratio as the scale.
    ScreenCaptureService();
    ScreenCaptureService(std::shared_ptr<platform::x11::X11CaptureBackend> backend,
                         std::unique_ptr<OwnWindows> ownWindows, std::optional<double> scale = std::nullopt);
    virtual ~ScreenCaptureService();
    ScreenCaptureService(const ScreenCaptureService&) = delete;
    ScreenCaptureService& operator=(const ScreenCaptureService&) = delete;

    // `rect` is display-local, in points, as the overlay delivered it; the part outside the
    // display is left out.
    virtual QCoro::Task<CapturedImage> captureRect(kit::Rect rect, std::uint32_t displayID);
    virtual QCoro::Task<CapturedImage> captureWindow(std::uint32_t windowNumber);
    // The display under a point in global coordinates, else the main display.
    virtual QCoro::Task<CapturedImage> captureDisplay(kit::Point globalPoint);
    // Normal and dialog windows on screen, not Glimpo's, at least 40 by 40 points, frontmost first.
    virtual QCoro::Task<std::vector<CapturableWindow>> windows();

    // Throws ScreenCaptureError::displayNotFound for a display that is not connected.
    DisplayFilter displayFilter(std::uint32_t displayID) const;
    const DisplayService& displays() const { return displays_; }

    // Grabs every display of `layout` once.
    QCoro::Task<std::shared_ptr<FrozenScreen>> freeze(DisplayLayout layout);
    // Captures started while a frame is offered cut from it instead of grabbing the screen.
    void offerFrozen(std::shared_ptr<const FrozenScreen> frozen) { frozen_ = std::move(frozen); }
    void withdrawFrozen() { frozen_.reset(); }

    static constexpr double minimumWindowSide = 40.0;

private:
    std::vector<CapturableWindow> listWindows(const DisplayLayout& layout) const;
    // Hides Glimpo's windows over `rootArea` and waits until the screen beneath is drawn again.
    QCoro::Task<HiddenWindows> hideOwnWindowsOver(QRect rootArea);
    QCoro::Task<QImage> grabLive(QRect rootArea);

    std::shared_ptr<platform::x11::X11CaptureBackend> backend_;
    std::unique_ptr<OwnWindows> ownWindows_;
    DisplayService displays_;
    std::shared_ptr<const FrozenScreen> frozen_;
    Logger log_{"capture"};
};
