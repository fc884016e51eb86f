#pragma once
// The capture backend over Qt's connection to the X server (atoms and extensions are queried on
// first use, so a program that never captures never asks). Pixels come through MIT-SHM when the
// server shares memory with us, else through plain GetImage. One backend serves the whole
// program: capture, displays and panel placement. Main thread only.

#include <memory>

#include <QTimer>

#include "app/platform/CaptureBackend.h"

namespace platform::x11 {

class XcbCaptureBackend final : public CaptureBackend {
public:
    XcbCaptureBackend();
    ~XcbCaptureBackend() override;
    XcbCaptureBackend(const XcbCaptureBackend&) = delete;
    XcbCaptureBackend& operator=(const XcbCaptureBackend&) = delete;

    std::vector<Monitor> monitors() override;
    std::vector<ClientWindow> clientWindows() override;
    std::vector<std::uint32_t> stackingBottomToTop() override;
    std::optional<QPoint> pointer() override;
    bool isShowing(std::uint32_t window) override;
    std::unique_ptr<DamageWatch> watchDamage() override;
    // Grabs each area in turn, on the spot.
    QCoro::Task<std::vector<QImage>> grabAreas(std::vector<QRect> areas) override;

    // The pixels of `area` now (root pixels, Format_RGB32 of exactly the area's size, black
    // outside the root). Throws kit::Error when the server cannot be reached.
    QImage grab(const QRect& area);

    struct Connection;

private:
    // Throws kit::Error when no server answers.
    Connection& connection();

    std::shared_ptr<Connection> connection_;
    // The shared-memory segment is as big as the largest grab; it goes once grabbing pauses.
    QTimer releaseSegment_;
};

} // namespace platform::x11
