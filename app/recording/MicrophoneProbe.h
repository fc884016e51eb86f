#pragma once
// Whether a recording may take the microphone: the sound server answers and has an input source.
// The sound server's client lives in the recording module, so asking loads it and may wait on the
// server: callers ask off the main thread.

#include "app/base/PermissionGate.h"

namespace MicrophoneProbe {

// Authorised when the sound server answers within 1.5 s and has an input source, restricted
// otherwise. Blocking; any thread.
MicrophoneAuthorization authorization();

} // namespace MicrophoneProbe
