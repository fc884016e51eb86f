#pragma once
// Records an area or a whole display into a movie, saved into the save folder when it stops.

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include <qcoro/qcorotask.h>

#include "app/storage/Capture.h"
#include "kit/Geometry.h"
#include "kit/SaveOutcome.h"

// A stopped recording: the capture and, when saving it failed, why.
struct FinishedRecordingCapture {
    Capture capture;
    std::optional<kit::SaveError> saveError;
};

// What a recording that the system ended left behind: the recording, or the error.
using RecordingOutcome = std::variant<FinishedRecordingCapture, std::exception_ptr>;

class ScreenRecorder {
public:
    using Elapsed = std::chrono::duration<double>;

    virtual ~ScreenRecorder() = default;

    // Time since the running recording started; absent exactly while none runs.
    // A tracked read: observeChanges bodies re-run when it changes.
    virtual std::optional<Elapsed> elapsed() const = 0;

    // Returns once recording has begun; throws when it can't start. No area: the whole display.
    virtual QCoro::Task<void> start(std::optional<kit::Rect> area, std::uint32_t displayID, bool microphone,
                                    bool systemAudio) = 0;
    // The finished recording, or none when nothing was recording; throws when finishing fails.
    virtual QCoro::Task<std::optional<FinishedRecordingCapture>> stop() = 0;

    // Called when the system ends the stream on its own.
    std::function<void(RecordingOutcome)> onStoppedBySystem = [](RecordingOutcome) {};
    // A short notice for the user, such as a recovered recording.
    std::function<void(const std::string&)> onNotice = [](const std::string&) {};
};
