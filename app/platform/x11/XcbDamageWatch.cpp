#include "app/platform/x11/XcbDamageWatch.h"

#include <xcb/damage.h>

#include <QCoreApplication>

#include <utility>

namespace platform::x11 {

XcbDamageWatch::XcbDamageWatch(xcb_connection_t* connection, xcb_window_t root, std::uint8_t damageEvent)
    : c_(connection), damageEvent_(damageEvent) {
    damage_ = xcb_generate_id(c_);
    // Every drawing operation, so that redrawing that goes on is seen as it goes on.
    xcb_damage_create(c_, damage_, root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    xcb_flush(c_);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XcbDamageWatch::~XcbDamageWatch() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_has_error(c_)) return;
    xcb_damage_destroy(c_, damage_);
    xcb_flush(c_);
}

std::vector<QRect> XcbDamageWatch::takeDamage() {
    return std::exchange(drawn_, {});
}

bool XcbDamageWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != damageEvent_ + XCB_DAMAGE_NOTIFY) return false;
    const auto* notify = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
    if (notify->damage != damage_) return false;
    drawn_.emplace_back(notify->area.x, notify->area.y, notify->area.width, notify->area.height);
    return true;
}

} // namespace platform::x11
