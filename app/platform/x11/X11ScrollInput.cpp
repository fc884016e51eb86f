#include "app/platform/x11/X11ScrollInput.h"

#include <xcb/xtest.h>

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "app/base/Log.h"
#include "app/platform/x11/X11HotKeyBackend.h"
#include "app/platform/x11/XcbConnection.h"

namespace platform::x11 {

namespace {

// The program's key codes of Escape, Return and keypad Enter.
constexpr std::array<std::uint32_t, 3> stopKeys{53, 36, 76};
constexpr xcb_button_t wheelDown = 5, wheelUp = 4, primaryButton = 1;

bool succeeded(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    std::free(error);
    return error == nullptr;
}

} // namespace

X11ScrollInput::X11ScrollInput(bool scrolls, std::shared_ptr<const XkbKeyboardLayout> layout)
    : connection_(connection()), root_(rootWindow()), scrolls_(scrolls), layout_(std::move(layout)) {
    if (!connection_) return;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_test_id);
    xtest_ = extension && extension->present;
}

X11ScrollInput::~X11ScrollInput() {
    if (QCoreApplication::instance()) stopListening();
}

bool X11ScrollInput::canScroll() const { return scrolls_ && xtest_; }

void X11ScrollInput::fakeMotion(QPoint rootPoint) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, static_cast<std::int16_t>(rootPoint.x()),
                        static_cast<std::int16_t>(rootPoint.y()), 0);
}

void X11ScrollInput::scroll(QPoint rootPoint, int notches, QPoint restingPoint) {
    if (!canScroll() || notches == 0) return;
    // The program under the pointer takes the turns where the pointer was when they were sent.
    fakeMotion(rootPoint);
    const xcb_button_t button = notches > 0 ? wheelDown : wheelUp;
    for (int i = 0; i < std::abs(notches); ++i) {
        xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    fakeMotion(restingPoint);
    xcb_flush(connection_);
}

void X11ScrollInput::movePointer(QPoint rootPoint) {
    if (!connection_) return;
    xcb_warp_pointer(connection_, XCB_NONE, root_, 0, 0, 0, 0, static_cast<std::int16_t>(rootPoint.x()),
                     static_cast<std::int16_t>(rootPoint.y()));
    xcb_flush(connection_);
}

bool X11ScrollInput::listenForStop() {
    if (!connection_ || listening_) return listening_;
    reported_ = false;
    for (const std::uint32_t key : stopKeys) {
        const auto code = layout_ ? layout_->x11KeyCode(key) : std::nullopt;
        if (!code) continue;
        bool grabbed = true;
        for (const std::uint16_t locks : GrabTable::lockVariants())
            grabbed &= succeeded(connection_, xcb_grab_key_checked(connection_, 0, root_, locks, *code,
                                                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (grabbed) keys_.push_back(*code);
        else Logger("capture").notice("scroll stop key not grabbed key={}", key);
    }
    // Any modifiers when nobody else holds a click on the root; else the plain click.
    const auto grabButton = [this](std::uint16_t modifiers) {
        return succeeded(connection_,
                         xcb_grab_button_checked(connection_, 0, root_,
                                                 XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                                                 primaryButton, modifiers));
    };
    buttonGrabbed_ = grabButton(XCB_MOD_MASK_ANY);
    if (!buttonGrabbed_) {
        for (const std::uint16_t locks : GrabTable::lockVariants()) buttonGrabbed_ |= grabButton(locks);
    }
    if (!buttonGrabbed_) Logger("capture").notice("scroll stop click not grabbed");
    listening_ = !keys_.empty() || buttonGrabbed_;
    // Installed after the hot key backend's filter, so this one hears the grabbed keys first.
    if (listening_) QCoreApplication::instance()->installNativeEventFilter(this);
    return listening_;
}

void X11ScrollInput::stopListening() {
    if (!listening_) return;
    listening_ = false;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    if (xcb_connection_has_error(connection_)) return;
    for (const xcb_keycode_t code : keys_)
        for (const std::uint16_t locks : GrabTable::lockVariants()) xcb_ungrab_key(connection_, code, root_, locks);
    keys_.clear();
    if (buttonGrabbed_) xcb_ungrab_button(connection_, primaryButton, root_, XCB_MOD_MASK_ANY);
    buttonGrabbed_ = false;
    xcb_flush(connection_);
}

bool X11ScrollInput::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7F;
    bool ours = false, press = false;
    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        ours = key->event == root_ && std::find(keys_.begin(), keys_.end(), key->detail) != keys_.end();
        press = type == XCB_KEY_PRESS;
    } else if (type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE) {
        const auto* button = reinterpret_cast<const xcb_button_press_event_t*>(event);
        ours = buttonGrabbed_ && button->event == root_ && button->detail == primaryButton;
        press = type == XCB_BUTTON_PRESS;
    }
    if (!ours) return false;
    if (press && !reported_) {
        reported_ = true;
        // Out of Qt's event dispatch: what hears it closes windows.
        QMetaObject::invokeMethod(this, [this] { emit stopRequested(); }, Qt::QueuedConnection);
    }
    return true;
}

} // namespace platform::x11
