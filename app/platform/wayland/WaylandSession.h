#pragma once
// Which kind of desktop session Glimpo runs in, read once from the environment at start. In a
// Wayland session Glimpo's own windows still run on Xwayland; what touches other programs
// (pixels, global keys) goes through the desktop portals instead.

namespace platform::wayland {

// XDG_SESSION_TYPE is "wayland", or WAYLAND_DISPLAY is set.
bool isWaylandSession();

} // namespace platform::wayland
