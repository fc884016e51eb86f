#pragma once
// A second X client on $DISPLAY, to see which key grabs the server hands out, as another
// application would. Its grabs end when it goes.

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "app/platform/x11/KeyboardLayout.h"

class OtherXClient {
public:
    OtherXClient() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_)) throw std::runtime_error("no X server on $DISPLAY");
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        layout_ = std::make_unique<platform::x11::XkbKeyboardLayout>(connection_);
    }
    ~OtherXClient() {
        layout_.reset();
        xcb_disconnect(connection_);
    }
    OtherXClient(const OtherXClient&) = delete;
    OtherXClient& operator=(const OtherXClient&) = delete;

    // The X key of one of the program's key codes.
    xcb_keycode_t key(std::uint32_t keyCode) const {
        const auto key = layout_->x11KeyCode(keyCode);
        if (!key) throw std::runtime_error("the keyboard has no such key");
        return *key;
    }

    // The X error of grabbing the combination, 0 when the grab was taken (BadAccess is 10).
    int grab(xcb_keycode_t key, std::uint16_t modifiers) {
        const auto cookie = xcb_grab_key_checked(connection_, 0, root_, modifiers, key, XCB_GRAB_MODE_ASYNC,
                                                 XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        if (error == nullptr) return 0;
        const int code = error->error_code;
        std::free(error);
        return code;
    }
    void ungrab(xcb_keycode_t key, std::uint16_t modifiers) {
        xcb_ungrab_key(connection_, key, root_, modifiers);
        xcb_flush(connection_);
    }
    // Whether nobody else holds it now; leaves it free.
    bool canGrab(xcb_keycode_t key, std::uint16_t modifiers) {
        const int error = grab(key, modifiers);
        if (error == 0) ungrab(key, modifiers);
        return error == 0;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    std::unique_ptr<platform::x11::XkbKeyboardLayout> layout_;
};
