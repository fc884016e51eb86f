#pragma once
// One recording's platform half inside the recording module: the X11 screen stream and the
// sound server feed a RecordingWriter.

#include <memory>

#include "app/recording/RecordingModule.h"

class StreamRecordingSession : public RecordingSession {
public:
    // Creates the writer; throws RecordingWriterError.
    explicit StreamRecordingSession(const Settings& settings);
    ~StreamRecordingSession() override;

    void start(std::function<void(const std::string& error)> onStopped) override;
    void setOwnWindows(std::vector<QRect> rootRects) override;
    std::optional<std::string> stopCapture(kit::MediaTime stopTime) override;
    std::optional<std::string> finish(kit::MediaTime stopTime) override;

    struct Parts;

private:
    std::unique_ptr<Parts> parts_;
};
