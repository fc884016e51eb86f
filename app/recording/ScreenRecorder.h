#pragma once
// Records an area or a whole display into a movie, saved into the save folder when it stops.

#include <chrono>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <variant>

#include <QObject>
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

class ScreenRecorder : public QObject {
    Q_OBJECT

public:
    using Elapsed = std::chrono::duration<double>;

    explicit ScreenRecorder(QObject* parent = nullptr) : QObject(parent) {}

    // Time since the running recording started; absent exactly while none runs.
    // A tracked read: observeChanges bodies re-run when it changes.
    virtual std::optional<Elapsed> elapsed() const = 0;

    // Returns once recording has begun; throws when it can't start. No area: the whole display.
    virtual QCoro::Task<void> start(std::optional<kit::Rect> area, std::uint32_t displayID, bool microphone,
                                    bool systemAudio) = 0;
    // The finished recording, or none when nothing was recording; throws when finishing fails.
    virtual QCoro::Task<std::optional<FinishedRecordingCapture>> stop() = 0;

signals:
    // The system ended the stream on its own (or a recording cut short by a crash was saved).
    void stoppedBySystem(const RecordingOutcome& outcome);
    // A short notice for the user, such as a recovered recording.
    void notice(const std::string& text);
};
