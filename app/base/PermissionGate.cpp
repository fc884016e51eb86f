#include "app/base/PermissionGate.h"

#include "app/base/Log.h"
#include "app/recording/RecordingModule.h"

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
    // The sound server client lives in the recording module.
    try {
        return RecordingModule::load().hasInputSource(1500) ? MicrophoneAuthorization::authorized
                                                            : MicrophoneAuthorization::restricted;
    } catch (const std::exception&) {
        return MicrophoneAuthorization::restricted;
    }
}

} // namespace PermissionGate
