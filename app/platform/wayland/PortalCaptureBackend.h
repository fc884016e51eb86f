#pragma once
// The capture backend of a Wayland session. Glimpo's own windows, the display layout and the
// windows of X programs live on Xwayland, so those questions go to the X backend it is given;
// pixels of the whole desktop come from the Screenshot portal, one picture per grab, cut into the
// areas asked.

#include <memory>

#include "app/platform/CaptureBackend.h"
#include "app/platform/wayland/ScreenshotPortal.h"

namespace platform::wayland {

class PortalCaptureBackend : public CaptureBackend {
public:
    explicit PortalCaptureBackend(std::shared_ptr<CaptureBackend> xwayland, ScreenshotPortal portal = ScreenshotPortal());

    std::vector<Monitor> monitors() override { return xwayland_->monitors(); }
    std::vector<ClientWindow> clientWindows() override { return xwayland_->clientWindows(); }
    std::vector<std::uint32_t> stackingBottomToTop() override { return xwayland_->stackingBottomToTop(); }
    std::optional<QPoint> pointer() override { return xwayland_->pointer(); }
    bool isShowing(std::uint32_t window) override { return xwayland_->isShowing(window); }
    std::unique_ptr<DamageWatch> watchDamage() override { return xwayland_->watchDamage(); }
    // Only X programs' windows are listed.
    bool listsEveryWindow() const override { return false; }
    // Asks the portal once; throws what ScreenshotPortal::take throws.
    QCoro::Task<std::vector<QImage>> grabAreas(std::vector<QRect> areas) override;

    // The screen-recording permission as far as it is known: the portal's last answer was no
    // refusal (a failure of another kind asks again next time). askAgain() lets the next capture
    // ask the portal again after a refusal.
    bool allowed() const { return !declined_; }
    void askAgain() { declined_ = false; }

    // `area` of a picture of `desktop` (root pixels), in root pixels: the picture may have more
    // pixels per root pixel (outputs with a larger scale); parts outside it are black.
    static QImage cut(const QImage& picture, const QRect& desktop, const QRect& area);

private:
    std::shared_ptr<CaptureBackend> xwayland_;
    ScreenshotPortal portal_;
    bool declined_ = false;
};

} // namespace platform::wayland
