#include "app/base/PermissionGate.h"

#include "app/platform/audio/SoundServer.h"

#include <cstdlib>
#include <string_view>

namespace PermissionGate {

bool screenCaptureAllowed() {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (session && std::string_view(session) == "wayland") return false;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return !(wayland && *wayland);
}

MicrophoneAuthorization microphoneAuthorization() {
    return platform::audio::hasInputSource() ? MicrophoneAuthorization::authorized
                                             : MicrophoneAuthorization::restricted;
}

} // namespace PermissionGate
