#pragma once
// One non-interactive picture of the whole desktop from the Screenshot portal. The portal's
// consent is the screen-recording permission: a refusal is the declined-permission failure.

#include <QDBusConnection>
#include <QImage>
#include <qcoro/qcorotask.h>

namespace platform::wayland {

class ScreenshotPortal {
public:
    explicit ScreenshotPortal(QDBusConnection bus = QDBusConnection::sessionBus());

    // Throws kit::Error with a sentence when the portal is missing, declines (domain and code of
    // the declined-permission failure) or fails. The portal's file is removed once read when it
    // lies in the temporary folder.
    QCoro::Task<QImage> take();

    static constexpr const char* missingSentence =
        QT_TRANSLATE_NOOP("ScreenshotPortal", "Glimpo can't capture the screen: this Wayland session has no "
                                              "screenshot portal. Install xdg-desktop-portal and the portal backend "
                                              "for your desktop.");
    static constexpr const char* declinedSentence =
        QT_TRANSLATE_NOOP("ScreenshotPortal", "Screen capture was not allowed.");

private:
    QDBusConnection bus_;
};

} // namespace platform::wayland
