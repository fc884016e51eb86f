#include "app/platform/x11/PanelWindow.h"

#include "app/platform/x11/XcbConnection.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace platform::x11 {
namespace {

xcb_screen_t* screenOf(xcb_connection_t* c) {
    const xcb_window_t root = rootWindow();
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
        if (it.data->root == root) return it.data;
    return nullptr;
}

void sendToRoot(xcb_connection_t* c, xcb_client_message_event_t event) {
    const xcb_window_t root = rootWindow();
    if (root == 0) return;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

} // namespace

std::uint32_t activeWindow() {
    xcb_connection_t* c = connection();
    const xcb_window_t root = rootWindow();
    if (!c || root == 0) return 0;
    const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
    if (active == XCB_ATOM_NONE) return 0;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, active, XCB_ATOM_WINDOW, 0, 1), nullptr),
        std::free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return 0;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

void activate(std::uint32_t window) {
    xcb_connection_t* c = connection();
    if (!c || window == 0) return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2; // from a pager: the user's own choice, never refused as focus stealing
    event.data.data32[1] = XCB_CURRENT_TIME;
    sendToRoot(c, event);
}

bool isShowing(const QWidget& topLevel) {
    xcb_connection_t* c = connection();
    if (!c || !topLevel.windowHandle() || !topLevel.windowHandle()->handle()) return false;
    xcb_window_t top = static_cast<xcb_window_t>(topLevel.winId());
    for (;;) {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr), std::free);
        if (!tree) return false;
        if (tree->parent == tree->root || tree->parent == XCB_NONE) break;
        top = tree->parent;
    }
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, top), nullptr), std::free);
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool compositingManagerRunning() {
    xcb_connection_t* c = connection();
    if (!c) return true;
    const xcb_atom_t selection = atom("_NET_WM_CM_S" + std::to_string(screenNumber()));
    if (selection == XCB_ATOM_NONE) return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr), std::free);
    return reply && reply->owner != XCB_WINDOW_NONE;
}

void makeSticky(QWidget& topLevel) {
    xcb_connection_t* c = connection();
    if (!c || !topLevel.isWindow()) return;
    const auto window = static_cast<xcb_window_t>(topLevel.winId());
    const xcb_atom_t state = atom("_NET_WM_STATE");
    const xcb_atom_t sticky = atom("_NET_WM_STATE_STICKY");
    const xcb_atom_t desktop = atom("_NET_WM_DESKTOP");
    if (state == XCB_ATOM_NONE || sticky == XCB_ATOM_NONE || desktop == XCB_ATOM_NONE) return;
    const std::uint32_t allDesktops = 0xFFFFFFFF;

    if (topLevel.isVisible()) {
        // A managed window changes state only by asking the window manager.
        xcb_screen_t* screen = screenOf(c);
        if (!screen) return;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = state;
        event.data.data32[0] = 1; // _NET_WM_STATE_ADD
        event.data.data32[1] = sticky;
        event.data.data32[3] = 1; // from a normal application
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        event.type = desktop;
        event.data.data32[0] = allDesktops;
        event.data.data32[1] = 1; // from a normal application
        event.data.data32[3] = 0;
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c);
        return;
    }

    // Before mapping the properties are the request; Qt merges its own states into what is there.
    std::vector<xcb_atom_t> states;
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr), std::free);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(data, data + xcb_get_property_value_length(reply.get()) / sizeof(xcb_atom_t));
    }
    if (std::find(states.begin(), states.end(), sticky) == states.end()) states.push_back(sticky);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, desktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    xcb_flush(c);
}

} // namespace platform::x11
