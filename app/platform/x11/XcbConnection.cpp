#include "app/platform/x11/XcbConnection.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <QGuiApplication>
#include <QWindow>

namespace platform::x11 {

xcb_connection_t* connection() {
    if (qGuiApp == nullptr) return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

int screenNumber() {
    const char* display = std::getenv("DISPLAY");
    if (!display) return 0;
    const char* colon = std::strrchr(display, ':');
    const char* dot = colon ? std::strchr(colon, '.') : nullptr;
    return dot ? std::atoi(dot + 1) : 0;
}

xcb_window_t rootWindow() {
    xcb_connection_t* c = connection();
    if (!c) return 0;
    int wanted = screenNumber();
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; --wanted, xcb_screen_next(&it))
        if (wanted == 0) return it.data->root;
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

xcb_atom_t atom(std::string_view name) {
    xcb_connection_t* c = connection();
    if (!c) return XCB_ATOM_NONE;
    // Main thread only, like every other caller of Qt's connection here.
    static std::map<std::string, xcb_atom_t, std::less<>> interned;
    if (auto found = interned.find(name); found != interned.end()) return found->second;
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr),
        std::free);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (value != XCB_ATOM_NONE) interned.emplace(std::string(name), value);
    return value;
}

bool grabInput(QWindow& window) {
    // Only the X server can refuse; other platforms have nothing to ask.
    if (!connection()) return true;
    return window.setKeyboardGrabEnabled(true) && window.setMouseGrabEnabled(true);
}

} // namespace platform::x11
