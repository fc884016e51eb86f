#include "app/platform/wayland/WaylandSession.h"

#include <cstdlib>
#include <string_view>

namespace platform::wayland {

bool isWaylandSession() {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (session && std::string_view(session) == "wayland") return true;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return display && *display;
}

} // namespace platform::wayland
