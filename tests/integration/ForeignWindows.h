#pragma once
// Windows of another X client, filled with one colour each: a separate xcb connection, so to
// Glimpo they belong to some other application. The server paints their background itself,
// so they need no event loop. Everything opened is destroyed when the object goes.

#include <xcb/xcb.h>

#include <QColor>
#include <QDeadlineTimer>
#include <QRect>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

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
        poll([&] {
            const std::vector<xcb_window_t> managed = clientList();
            return std::none_of(windows_.begin(), windows_.end(), [&](xcb_window_t w) {
                return std::find(managed.begin(), managed.end(), w) != managed.end();
            });
        });
        xcb_disconnect(c_);
    }
    ForeignWindows(const ForeignWindows&) = delete;
    ForeignWindows& operator=(const ForeignWindows&) = delete;

    // Maps a window whose frame's top-left the window manager puts at geometry's top-left, and
    // returns once it is managed and on screen. With `hearsKeys` it notes the keys it receives.
    std::uint32_t open(const QRect& geometry, const QColor& color, const std::string& title,
                       const std::string& className, Type type = Type::normal, bool hearsKeys = false) {
        const xcb_window_t w = xcb_generate_id(c_);
        const std::uint32_t values[] = {static_cast<std::uint32_t>(color.rgb() & 0xffffff),
                                        hearsKeys ? static_cast<std::uint32_t>(XCB_EVENT_MASK_KEY_PRESS) : 0u};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen_->root, geometry.x(), geometry.y(), geometry.width(),
                          geometry.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        setString(w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), title);
        setString(w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
        const std::string wmClass = className + '\0' + className + '\0';
        setString(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
        const char* typeName = type == Type::dock ? "_NET_WM_WINDOW_TYPE_DOCK" : "_NET_WM_WINDOW_TYPE_NORMAL";
        const xcb_atom_t typeAtom = atom(typeName);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &typeAtom);
        // WM_NORMAL_HINTS with a user-given position and size, north-west gravity.
        std::uint32_t hints[18] = {};
        hints[0] = 1 | 2 | 4 | 8 | 512;
        hints[1] = static_cast<std::uint32_t>(geometry.x());
        hints[2] = static_cast<std::uint32_t>(geometry.y());
        hints[3] = static_cast<std::uint32_t>(geometry.width());
        hints[4] = static_cast<std::uint32_t>(geometry.height());
        hints[17] = 1;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        xcb_map_window(c_, w);
        xcb_flush(c_);
        windows_.push_back(w);
        waitUntilManaged(w, type != Type::dock);
        // A dock is placed where the window manager keeps docks, not necessarily where asked.
        if (type != Type::dock) waitUntilShowing(geometry.center(), color);
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
        return poll([&] { return activeWindow() == w; });
    }

    // Key presses that arrived since the last call, as X key codes.
    std::vector<int> keyPresses() {
        std::vector<int> pressed;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS)
                pressed.push_back(reinterpret_cast<xcb_key_press_event_t*>(event)->detail);
            std::free(event);
        }
        return pressed;
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

    // Whether `done` holds within five seconds; checked every five milliseconds.
    static bool poll(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired()) QThread::msleep(5);
        return done();
    }

    xcb_window_t activeWindow() {
        auto* reply = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, screen_->root, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1), nullptr);
        xcb_window_t active = XCB_NONE;
        if (reply && xcb_get_property_value_length(reply) == 4)
            std::memcpy(&active, xcb_get_property_value(reply), 4);
        std::free(reply);
        return active;
    }

    std::vector<xcb_window_t> clientList() {
        auto* reply = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, screen_->root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 1024), nullptr);
        std::vector<xcb_window_t> windows;
        if (reply) {
            const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
            windows.assign(ids, ids + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return windows;
    }

    bool hasProperty(xcb_window_t w, xcb_atom_t property) {
        auto* reply = xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, property, XCB_ATOM_ANY, 0, 4), nullptr);
        const bool present = reply && reply->type != XCB_ATOM_NONE;
        std::free(reply);
        return present;
    }

    void waitUntilManaged(xcb_window_t w, bool framed) {
        const bool managed = poll([&] {
            auto* attributes = xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr);
            const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            return viewable && (!framed || hasProperty(w, atom("_NET_FRAME_EXTENTS")));
        });
        if (!managed) throw std::runtime_error("the window manager did not show the window");
    }

    // A new window comes out on top: once its colour is where it was put, the window manager is
    // done placing it.
    void waitUntilShowing(QPoint at, const QColor& color) {
        const bool showing = poll([&] {
            auto* image = xcb_get_image_reply(
                c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, at.x(), at.y(), 1, 1, ~0u), nullptr);
            std::uint32_t pixel = 0;
            if (image && xcb_get_image_data_length(image) >= 4) std::memcpy(&pixel, xcb_get_image_data(image), 4);
            std::free(image);
            return (pixel & 0xffffff) == (color.rgb() & 0xffffff);
        });
        if (!showing) throw std::runtime_error("the window did not show its colour where it was put");
    }

    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    std::vector<xcb_window_t> windows_;
};
