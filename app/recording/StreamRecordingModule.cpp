#include "app/recording/StreamRecordingModule.h"

extern "C" {
#include <libavutil/log.h>
}

#include "app/platform/audio/SoundServer.h"
#include "app/platform/media/FirstFrame.h"
#include "app/platform/media/MovieFinisher.h"
#include "app/recording/StreamRecordingSession.h"

StreamRecordingModule::StreamRecordingModule() {
    // FFmpeg's encoders report their statistics on standard error; Glimpo's log says what matters.
    av_log_set_level(AV_LOG_ERROR);
}

std::unique_ptr<RecordingSession> StreamRecordingModule::makeSession(const RecordingSession::Settings& settings) const {
    return std::make_unique<StreamRecordingSession>(settings);
}

std::optional<kit::Size> StreamRecordingModule::finishMovie(const std::filesystem::path& fragmented,
                                                            const std::filesystem::path& output) const {
    return platform::media::finishMovie(fragmented, output);
}

std::optional<QImage> StreamRecordingModule::firstFrame(const std::filesystem::path& movie) const {
    return platform::media::firstFrame(movie);
}

bool StreamRecordingModule::hasInputSource(int timeoutMs) const {
    return platform::audio::hasInputSource(timeoutMs);
}
