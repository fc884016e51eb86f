#pragma once
// The screen recorder: one recording at a time through the recording module's stream and
// movie writer, an elapsed-time clock for the tray, and the finished movie saved into the save
// folder. It publishes the recorded area (DisplayLocator::recordedArea), which Glimpo's floating
// panels keep clear of; while a recording runs a frame marks that area from outside, and the
// stream is told where Glimpo's panels are all the same, so that one with no room elsewhere
// holds frames back rather than appear in the movie. At its creation it saves recordings that a
// crash cut short.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QTimer>

#include "app/base/Log.h"
#include "app/base/Observation.h"
#include "app/platform/wayland/ScreenCastPortal.h"
#include "app/recording/RecordingModule.h"
#include "app/recording/ScreenRecorder.h"
#include "kit/Recording.h"

class CaptureLibrary;
class DisplayService;
class RecordingFrame;

class StreamScreenRecorder : public ScreenRecorder {
    Q_OBJECT

public:
    using ModuleLoader = std::function<const RecordingModule&()>;

    StreamScreenRecorder(CaptureLibrary& library, std::shared_ptr<DisplayService> displays,
                         ModuleLoader module = &RecordingModule::load, QObject* parent = nullptr);
    ~StreamScreenRecorder() override;

    // In a Wayland session the screen comes through the ScreenCast portal.
    void shareScreenThrough(std::unique_ptr<platform::wayland::ScreenCastPortal> portal) {
        screenCast_ = std::move(portal);
    }

    std::optional<Elapsed> elapsed() const override { return elapsed_.get(); }
    QCoro::Task<void> start(std::optional<kit::Rect> area, std::uint32_t displayID, bool microphone,
                            bool systemAudio) override;
    QCoro::Task<std::optional<FinishedRecordingCapture>> stop() override;

    // The suffix of the movie while it is being written.
    static constexpr const char* writingSuffix = ".recording";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ActiveRecording;

    QCoro::Task<void> streamStopped(std::string error);
    void startClock();
    void stopClock();
    // Hands the stream the floating panels' places; with `keepingWhereTheyWere`, also every
    // place handed since the last call without.
    void publishOwnWindows(bool keepingWhereTheyWere);
    // Root pixels of this process's windows on screen.
    static std::vector<QRect> ownWindowRects();
    void recoverInterrupted();

    CaptureLibrary& library_;
    std::shared_ptr<DisplayService> displays_;
    ModuleLoader module_;
    kit::RecordingLifecycle lifecycle_;
    std::unique_ptr<ActiveRecording> session_;
    std::unique_ptr<platform::wayland::ScreenCastPortal> screenCast_;
    Observed<std::optional<Elapsed>> elapsed_;
    QTimer clockTimer_;
    std::chrono::steady_clock::time_point clockStart_;
    QTimer hiddenLater_;
    std::vector<QRect> ownWindows_;
    // Marks the recorded area while a recording runs; made at the first.
    std::unique_ptr<RecordingFrame> frame_;
    Logger log_{"recording"};
};
