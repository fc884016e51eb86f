// The recording module's one entry point.

extern "C" {
#include <libavutil/log.h>
}

#include "app/platform/audio/SoundServer.h"
#include "app/platform/media/FirstFrame.h"
#include "app/platform/media/MovieFinisher.h"
#include "app/recording/RecordingModule.h"
#include "app/recording/StreamRecordingSession.h"

namespace {

std::unique_ptr<RecordingSession> makeSession(const RecordingSession::Settings& settings) {
    return std::make_unique<StreamRecordingSession>(settings);
}

const RecordingModule module{
    &makeSession,
    &platform::media::finishMovie,
    &platform::media::firstFrame,
    &platform::audio::hasInputSource,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const RecordingModule* glimpo_recording_module() {
    // FFmpeg's encoders report their statistics on standard error; Glimpo's log says what matters.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)quiet;
    return &module;
}
