#include "app/recording/StreamRecordingModule.h"

extern "C" {
#include <libavutil/log.h>
}

#include "app/platform/audio/SoundServer.h"
#include "app/platform/media/FirstFrame.h"
#include "app/platform/media/MovieFinisher.h"
#include "app/platform/wayland/PipeWireScreenStream.h"
#include "app/recording/StreamRecordingSession.h"

namespace {

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

} // namespace

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

std::unique_ptr<ScreenPictures> StreamRecordingModule::watchSharedScreen(
    const RecordingSession::Settings::SharedScreen& screen, QRect rootArea) const {
    return std::make_unique<SharedScreenPictures>(screen, rootArea);
}
