#pragma once
// Which desktop session Glimpo runs in, read from the environment. In a Wayland session Glimpo's
// own windows still run on Xwayland; what touches other programs (pixels, global keys) goes
// through the desktop portals instead.

#include <string_view>

namespace platform::Session {

// XDG_SESSION_TYPE is "wayland", or WAYLAND_DISPLAY is set.
bool isWayland();

// One of XDG_CURRENT_DESKTOP's colon-separated names is `desktop` ("GNOME", "KDE"), case
// ignored: "ubuntu:GNOME" is GNOME.
bool desktopIs(std::string_view desktop);

} // namespace platform::Session
