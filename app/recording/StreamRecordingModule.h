#pragma once
// The recording module's operations over the stream session, the movie finisher, the first-frame
// reader, the sound server and a shared screen's pictures. The module hands out one; the tests link and use it directly.

#include "app/recording/RecordingModule.h"

class StreamRecordingModule : public RecordingModule {
public:
    StreamRecordingModule();

    std::unique_ptr<RecordingSession> makeSession(const RecordingSession::Settings& settings) const override;
    std::optional<kit::Size> finishMovie(const std::filesystem::path& fragmented,
                                         const std::filesystem::path& output) const override;
    std::optional<QImage> firstFrame(const std::filesystem::path& movie) const override;
    bool hasInputSource(int timeoutMs) const override;
    std::unique_ptr<ScreenPictures> watchSharedScreen(const RecordingSession::Settings::SharedScreen& screen,
                                                      QRect rootArea) const override;
};
