#include "app/base/PermissionGate.h"

#include "app/base/Log.h"
#include "app/recording/RecordingModule.h"

namespace PermissionGate {

bool screenCaptureAllowed() { return true; }

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
