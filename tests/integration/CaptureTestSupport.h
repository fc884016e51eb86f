#pragma once
// Helpers for the tests on the real X server: waiting for coroutines on the event loop, reading
// pixels, finding windows and driving the pointer and keyboard with xdotool.

#include <xcb/xcb.h>

#include <QColor>
#include <QImage>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "XServer.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/platform/x11/XcbCaptureBackend.h"
#include "tests/app/TestSupport.h"

extern XServer* sharedXServer;

namespace capturetest {

// The capture service as the program makes it: over the one backend on Qt's X connection.
class X11Capturer : public ScreenCaptureService {
public:
    X11Capturer()
        : ScreenCaptureService(backend(), std::make_shared<DisplayService>(backend()), std::make_unique<QtOwnWindows>()) {}

    static std::shared_ptr<platform::x11::XcbCaptureBackend> backend() {
        static const auto shared = std::make_shared<platform::x11::XcbCaptureBackend>();
        return shared;
    }
};

// The application tests' wait, with more time by default: a real server and window manager
// answer slower than fakes.
inline bool waitUntil(const std::function<bool()>& condition, int ms = 5000) {
    return testsupport::waitUntil(condition, ms);
}

using testsupport::await;

inline void xdotool(const QStringList& args) {
    XServer::require("xdotool");
    sharedXServer->run("xdotool", args);
}

// The first visible window whose title matches `name` (a regular expression), or "".
inline QString windowNamed(const QString& name) {
    return sharedXServer->output("xdotool", {"search", "--onlyvisible", "--name", name}).section('\n', 0, 0).trimmed();
}

// How many pixels of `area` differ from `color`.
inline long long pixelsOtherThan(const QImage& image, const QRect& area, const QColor& color) {
    long long count = 0;
    const QRgb wanted = color.rgb() & 0xffffff;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) != wanted) ++count;
    return count;
}

// A second X client, as another application would be: which grabs the server hands out. Its
// grabs end when it goes.
class OtherXClient {
public:
    OtherXClient() : c_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(c_)) throw std::runtime_error("cannot connect to the X server");
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~OtherXClient() { xcb_disconnect(c_); }

    // The X error of grabbing the combination, 0 when the grab was taken.
    int grab(xcb_keycode_t key, std::uint16_t modifiers) {
        xcb_generic_error_t* error = xcb_request_check(
            c_, xcb_grab_key_checked(c_, 0, root_, modifiers, key, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }
    void ungrab(xcb_keycode_t key, std::uint16_t modifiers) {
        xcb_ungrab_key(c_, key, root_, modifiers);
        xcb_flush(c_);
    }
    // Whether nobody else holds it now; leaves it free.
    bool canGrab(xcb_keycode_t key, std::uint16_t modifiers) {
        const int error = grab(key, modifiers);
        if (error == 0) ungrab(key, modifiers);
        return error == 0;
    }
    // Whether it could take the keyboard (and the pointer) now: nobody holds them.
    bool canTakeInput(bool pointerToo) {
        auto* keyboard = xcb_grab_keyboard_reply(
            c_, xcb_grab_keyboard(c_, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
        auto* pointer = pointerToo ? xcb_grab_pointer_reply(c_,
                                                            xcb_grab_pointer(c_, 0, root_, XCB_EVENT_MASK_BUTTON_PRESS,
                                                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                                             XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                                                            nullptr)
                                   : nullptr;
        const bool free = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS &&
                          (!pointerToo || (pointer && pointer->status == XCB_GRAB_STATUS_SUCCESS));
        std::free(keyboard);
        std::free(pointer);
        return free;
    }

private:
    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};
inline bool inputIsFree() { return OtherXClient().canTakeInput(true); }
inline bool keyboardIsFree() { return OtherXClient().canTakeInput(false); }

} // namespace capturetest
