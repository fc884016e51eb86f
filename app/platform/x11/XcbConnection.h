#pragma once
// The one connection Glimpo talks to the X server over: Qt's own. Capture, displays, key grabs,
// the keyboard layout and panel placement all use it, so every request sees the same server
// state and the program holds one socket. Off X11 (offscreen tests, a native Wayland Qt) there
// is none.

#include <xcb/xcb.h>

#include <cstdint>
#include <string_view>

class QWindow;

namespace platform::x11 {

// Null when Qt does not run on X11.
xcb_connection_t* connection();
// The root window of the screen Qt uses; 0 without a connection.
xcb_window_t rootWindow();
// The screen number of $DISPLAY (":0.1" -> 1).
int screenNumber();
// Interned once per name for the life of the connection; XCB_ATOM_NONE without one.
xcb_atom_t atom(std::string_view name);

// Takes the keyboard and pointer for `window`, as an X client must ask for them. Elsewhere
// Qt's own grab is all there is, and it counts as granted.
bool grabInput(QWindow& window);

} // namespace platform::x11
