#pragma once
// The capture backend of a Wayland session. Glimpo's own windows, the display layout and the
// windows of X programs live on Xwayland, so those questions go to the X backend; pixels of the
// whole desktop come from the Screenshot portal, one picture per grab, cut into the areas asked.

#include "app/platform/wayland/ScreenshotPortal.h"
#include "app/platform/x11/XcbCaptureBackend.h"

namespace platform::wayland {

class PortalCaptureBackend : public x11::XcbCaptureBackend {
public:
    explicit PortalCaptureBackend(QDBusConnection bus = QDBusConnection::sessionBus());

    // Asks the portal once; throws what ScreenshotPortal::take throws.
    QCoro::Task<std::vector<QImage>> grabAreas(std::vector<QRect> areas) override;
    // Wayland gives no pixels without waiting for the portal: a grab on the spot always fails.
    QImage grab(const QRect& area) override;
    bool listsEveryWindow() const override { return false; }

    // The screen-recording permission as far as it is known: the portal's last answer was no
    // refusal. askAgain() lets the next capture ask the portal again.
    bool allowed() const { return !declined_; }
    void askAgain() { declined_ = false; }

    // `area` of a picture of `desktop` (root pixels), in root pixels: the picture may have more
    // pixels per root pixel (outputs with a larger scale); parts outside it are black.
    static QImage cut(const QImage& picture, const QRect& desktop, const QRect& area);

private:
    ScreenshotPortal portal_;
    bool declined_ = false;
};

} // namespace platform::wayland
