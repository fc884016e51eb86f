#pragma once
// Which parts of the screen were drawn since the last look, from the X server's damage reports
// on the root window. Made by the capture backend when the server has the DAMAGE extension.

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>

#include <vector>

#include "app/platform/CaptureBackend.h"

namespace platform::x11 {

// Qt reads every event of its connection; damage reports reach us through its native event
// filter on the main thread, while the capture waits between polls.
class XcbDamageWatch final : public DamageWatch, public QAbstractNativeEventFilter {
public:
    // `damageEvent` is the extension's first event code on this connection.
    XcbDamageWatch(xcb_connection_t* connection, xcb_window_t root, std::uint8_t damageEvent);
    ~XcbDamageWatch() override;
    XcbDamageWatch(const XcbDamageWatch&) = delete;
    XcbDamageWatch& operator=(const XcbDamageWatch&) = delete;

    std::vector<QRect> takeDamage() override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override;

private:
    xcb_connection_t* c_;
    std::uint8_t damageEvent_;
    std::uint32_t damage_ = 0;
    std::vector<QRect> drawn_;
};

} // namespace platform::x11
