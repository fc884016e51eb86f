#include "app/platform/Session.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace platform::Session {

bool isWayland() {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (session && std::string_view(session) == "wayland") return true;
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return display && *display;
}

bool desktopIs(std::string_view desktop) {
    const char* value = std::getenv("XDG_CURRENT_DESKTOP");
    std::string_view rest = value ? value : "";
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(':'), rest.size());
        const std::string_view name = rest.substr(0, end);
        if (std::equal(name.begin(), name.end(), desktop.begin(), desktop.end(), same)) return true;
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return false;
}

} // namespace platform::Session
