#include "app/recording/MicrophoneProbe.h"

#include "app/recording/RecordingModule.h"

namespace MicrophoneProbe {

MicrophoneAuthorization authorization() {
    try {
        return RecordingModule::load().hasInputSource(1500) ? MicrophoneAuthorization::authorized
                                                            : MicrophoneAuthorization::restricted;
    } catch (const std::exception&) {
        return MicrophoneAuthorization::restricted;
    }
}

} // namespace MicrophoneProbe
