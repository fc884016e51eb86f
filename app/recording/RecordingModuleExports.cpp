// The recording module's one entry point.

extern "C" {
#include <libavutil/log.h>
}

#include "app/platform/audio/SoundServer.h"
#include "app/platform/wayland/PipeWireScreenStream.h"
#include "app/platform/media/FirstFrame.h"
#include "app/platform/media/MovieFinisher.h"
#include "app/recording/RecordingModule.h"
#include "app/recording/StreamRecordingSession.h"

namespace {

std::unique_ptr<RecordingSession> makeSession(const RecordingSession::Settings& settings) {
    return std::make_unique<StreamRecordingSession>(settings);
}

class SharedScreenPictures : public ScreenPictures {
public:
    SharedScreenPictures(const RecordingSession::Settings::SharedScreen& screen, QRect rootArea)
        : stream_({rootArea, {}}, {screen.fd, screen.node, screen.area}) {}

    void start(PictureHandler onPicture, StopHandler onStopped) override {
        stream_.startPictures(std::move(onPicture), std::move(onStopped));
    }
    void stop() override { stream_.stop(); }

private:
    platform::wayland::PipeWireScreenStream stream_;
};

std::unique_ptr<ScreenPictures> watchSharedScreen(const RecordingSession::Settings::SharedScreen& screen,
                                                  QRect rootArea) {
    return std::make_unique<SharedScreenPictures>(screen, rootArea);
}

const RecordingModule module{
    &makeSession,
    &platform::media::finishMovie,
    &platform::media::firstFrame,
    &platform::audio::hasInputSource,
    &watchSharedScreen,
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
