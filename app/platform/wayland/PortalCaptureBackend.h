#pragma once
// The capture backend of a Wayland session. Glimpo's own windows, the display layout and the
// windows of X programs live on Xwayland, so those questions go to the X backend; pixels of the
// whole desktop come from the Screenshot portal, one picture per grab, cut into the areas asked.

#include <QDBusConnection>

#include "app/platform/x11/XcbCaptureBackend.h"

namespace platform::wayland {

class PortalCaptureBackend : public x11::XcbCaptureBackend {
public:
    explicit PortalCaptureBackend(QDBusConnection bus = QDBusConnection::sessionBus());

    // Asks the portal once; throws kit::Error with a sentence when the portal is missing,
    // declined (the declined-permission failure) or fails.
    QCoro::Task<std::vector<QImage>> grabAreas(std::vector<QRect> areas) override;
    // Wayland gives no pixels without waiting for the portal: a grab on the spot always fails.
    QImage grab(const QRect& area) override;
    bool listsEveryWindow() const override { return false; }

    // `area` of a picture of `desktop` (root pixels), in root pixels: the picture may have more
    // pixels per root pixel (outputs with a larger scale); parts outside it are black.
    static QImage cut(const QImage& picture, const QRect& desktop, const QRect& area);

    static constexpr const char* missingSentence =
        "Glimpo can't capture the screen: this Wayland session has no screenshot portal. Install "
        "xdg-desktop-portal and the portal backend for your desktop.";
    static constexpr const char* declinedSentence = "Screen capture was not allowed.";

private:
    QCoro::Task<QImage> takeScreenshot();

    QDBusConnection bus_;
};

} // namespace platform::wayland
