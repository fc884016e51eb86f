#pragma once
// One non-interactive picture of the whole desktop from the Screenshot portal. The portal's
// consent is the screen-recording permission: only a refusal the desktop has on record is the
// declined-permission failure; any other failure is that picture's alone.

#include <filesystem>

#include <QDBusConnection>
#include <QImage>
#include <qcoro/qcorotask.h>

namespace platform::wayland {

class ScreenshotPortal {
public:
    // `picturesFolder`: where the desktop's portal saves and fails without (KDE's); created before
    // asking. Empty where the portal needs none.
    explicit ScreenshotPortal(QDBusConnection bus = QDBusConnection::sessionBus(),
                              std::filesystem::path picturesFolder = {});

    // Throws kit::Error with a sentence when the portal is missing, declines (domain and code of
    // the declined-permission failure) or fails. The file the portal saved is removed once read,
    // wherever it lies, when it is a regular file of ours made for this request.
    QCoro::Task<QImage> take();

    static constexpr const char* missingSentence =
        "Glimpo can't capture the screen: this Wayland session has no screenshot portal. Install "
        "xdg-desktop-portal and the portal backend for your desktop.";
    static constexpr const char* declinedSentence = "Screen capture was not allowed.";

private:
    // Whether the portal's permission store holds the user's no to screenshots.
    QCoro::Task<bool> refusalOnRecord();

    QDBusConnection bus_;
    std::filesystem::path picturesFolder_;
};

} // namespace platform::wayland
