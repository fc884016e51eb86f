#pragma once
// Windows of another X client, filled with one colour each: a separate xcb connection, so to
// Glimpo they belong to some other application. The server paints their background itself,
// so they need no event loop. Everything opened is destroyed when the object goes. What the
// window manager did with them is read through Glimpo's own X backend.

#include <xcb/xcb.h>

#include <QColor>
#include <QRect>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "XServer.h"
#include "app/platform/x11/PanelWindow.h"
#include "app/platform/x11/XcbCaptureBackend.h"

class ForeignWindows {
public:
    enum class Type { normal, dock };

    ForeignWindows() {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_)) throw std::runtime_error("cannot connect to the X server");
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    }
    // Returns once the window manager has let go of the windows: one mapped meanwhile could be
    // placed while it still arranges the screen around them.
    ~ForeignWindows() {
        for (xcb_window_t w : windows_) xcb_destroy_window(c_, w);
        xcb_flush(c_);
        poll([&] { return std::none_of(windows_.begin(), windows_.end(), [&](xcb_window_t w) { return managed(w); }); });
        xcb_disconnect(c_);
    }
    ForeignWindows(const ForeignWindows&) = delete;
    ForeignWindows& operator=(const ForeignWindows&) = delete;

    // Maps a window whose frame's top-left the window manager puts at geometry's top-left, and
    // returns once it is managed and on screen. With `hearsInput` it notes the key and button
    // presses it receives.
    std::uint32_t open(const QRect& geometry, const QColor& color, const std::string& title,
                       const std::string& className, Type type = Type::normal, bool hearsInput = false) {
        const xcb_window_t w = xcb_generate_id(c_);
        const std::uint32_t values[] = {static_cast<std::uint32_t>(color.rgb() & 0xffffff),
                                        hearsInput ? std::uint32_t(XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_BUTTON_PRESS) : 0u};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen_->root, geometry.x(), geometry.y(), geometry.width(),
                          geometry.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        setString(w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), title);
        setString(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
        setString(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, className + '\0' + className + '\0');
        const xcb_atom_t typeAtom = atom(type == Type::dock ? "_NET_WM_WINDOW_TYPE_DOCK" : "_NET_WM_WINDOW_TYPE_NORMAL");
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &typeAtom);
        // WM_NORMAL_HINTS with a user-given position and size, north-west gravity.
        const std::uint32_t hints[18] = {1 | 2 | 4 | 8 | 512, std::uint32_t(geometry.x()), std::uint32_t(geometry.y()),
                                         std::uint32_t(geometry.width()), std::uint32_t(geometry.height()),
                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        xcb_map_window(c_, w);
        xcb_flush(c_);
        windows_.push_back(w);
        // openbox leaves docks out of its client list.
        if (!poll([&] { return type == Type::dock ? backend_.isShowing(w) : managed(w, true); }))
            throw std::runtime_error("the window manager did not show the window");
        // A new window comes out on top: once its colour is where it was put, the window manager
        // is done placing it. A dock goes where the window manager keeps docks.
        const auto showing = [&] {
            return (backend_.grab(QRect(geometry.center(), QSize(1, 1))).pixel(0, 0) & 0xffffff) == (color.rgb() & 0xffffff);
        };
        if (type != Type::dock && !poll(showing)) throw std::runtime_error("the window did not show its colour where it was put");
        return w;
    }

    // Raises and focuses the window through the window manager, as a pager would; whether it
    // became the active window.
    bool raise(std::uint32_t w) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = w;
        event.type = atom("_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 2;
        xcb_send_event(c_, 0, screen_->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c_);
        return poll([&] { return platform::x11::activeWindow() == w; });
    }

    // Key and button presses that arrived since the last call.
    int presses() {
        int count = 0;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const int type = event->response_type & 0x7f;
            count += type == XCB_KEY_PRESS || type == XCB_BUTTON_PRESS;
            std::free(event);
        }
        return count;
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return result;
    }

    void setString(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const std::string& value) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, property, type, 8, value.size(), value.data());
    }

    // Whether `done` holds within five seconds.
    static bool poll(const std::function<bool()>& done) { return XServer::poll(done, 5000); }

    // In the window manager's list, mapped; with `framed`, with its decorations.
    bool managed(xcb_window_t w, bool framed = false) {
        const auto clients = backend_.clientWindows();
        return std::any_of(clients.begin(), clients.end(), [&](const platform::ClientWindow& c) {
            return c.id == w && c.viewable && (!framed || c.extents.top > 0);
        });
    }

    platform::x11::XcbCaptureBackend backend_;
    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    std::vector<xcb_window_t> windows_;
};
