#pragma once
// Carries every capture action from request to outcome: selection, capture, storage, sound,
// recording and text, reporting each outcome through five signals.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <qcoro/qcorotask.h>

#include "app/capture/DisplayLocator.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/capture/SelectionOverlayController.h"
#include "app/base/Log.h"
#include "app/base/PermissionGate.h"
#include "app/platform/audio/SoundPlayer.h"
#include "app/recording/ScreenRecorder.h"
#include "app/scrolling/ScrollCaptureController.h"
#include "app/storage/Capture.h"
#include "app/text/TextRecognitionService.h"
#include "kit/CaptureVocabulary.h"
#include "kit/SaveOutcome.h"

class AppSettings;
class CaptureLibrary;

class CaptureCoordinator : public QObject {
    Q_OBJECT

public:
    // The platform services the coordinator works through; every one is given.
    struct Services {
        std::unique_ptr<ScreenCaptureService> capturer;
        std::function<std::unique_ptr<SelectionOverlayController>(ScreenCaptureService&)> makeOverlay;
        std::unique_ptr<ScreenRecorder> recorder;
        std::unique_ptr<TextRecognitionService> recognizer;
        std::unique_ptr<SoundPlayer> sounds;
        std::shared_ptr<DisplayLocator> displays;
        // Asked off the main thread: it may wait on the sound server. Empty: restricted.
        std::function<MicrophoneAuthorization()> microphoneStatus;
        // Puts plain text on the clipboard.
        std::function<void(const std::string&)> copyText;
        // The scrolling capture, made on its first use; none: the action does nothing.
        std::function<std::unique_ptr<ScrollCaptureController>()> makeScrollCapture;
    };

    CaptureCoordinator(AppSettings& settings, CaptureLibrary& library, Services services, QObject* parent = nullptr);

    // Starts the action and returns at once.
    void run(kit::CaptureAction action);
    // No area: the whole display; no display: the one under the pointer.
    void startRecording(std::optional<kit::Rect> area, std::optional<std::uint32_t> displayID);
    // The stop-recording flow, for the menu's stop item and the Escape key.
    void stopRecordingNow();

    ScreenRecorder& recorder() const { return *services_.recorder; }
    TextRecognitionService& recognizer() const { return *services_.recognizer; }
    DisplayLocator& displays() const { return *services_.displays; }
    // Time since the running recording started; absent while none runs. A tracked read.
    std::optional<ScreenRecorder::Elapsed> recordingElapsed() const;

signals:
    // A capture is stored (or a recording saved, or not: `failure` says why). `picture` holds a
    // still capture's pixels (nothing for a recording), so that its file need not be read back.
    void captured(const Capture& capture, const std::optional<std::string>& failure, const CapturedImage& picture);
    // The screen may not be captured: the welcome window's turn.
    void permissionNeeded();
    // A titled sentence ("Couldn't capture: ...").
    void error(const std::string& message);
    // A short notice that goes away by itself.
    void message(const std::string& text, const std::string& systemImage);
    // A notice that stays until the next one.
    void progress(const std::string& text, const std::string& systemImage);

private:
    using CaptureWork = std::function<QCoro::Task<CapturedImage>(ScreenCaptureService&)>;
    // What the running selection is for.
    enum class Purpose { capture, recording, text, scroll };

    // Made on first use.
    SelectionOverlayController& overlay();
    void select(SelectionMode mode);
    void selectFor(Purpose purpose, SelectionMode mode, bool allowsWindowMode);
    void selectionFinished(const SelectionResult& result);
    void capture(CaptureWork work);
    QCoro::Task<void> captureTask(CaptureWork work);
    void selectRecordingArea();
    QCoro::Task<void> startRecordingTask(std::optional<kit::Rect> area, std::uint32_t displayID);
    QCoro::Task<void> stopRecording();
    void deliverRecording(const RecordingOutcome& result);
    QCoro::Task<bool> microphoneAllowed();
    void captureText();
    QCoro::Task<void> recognizeText(SelectionResult area);
    // Made on first use; null without a factory.
    ScrollCaptureController* scrollCapture();
    // `title` is English, marked for translation: the log keeps it, the user reads it translated.
    void report(const std::exception_ptr& failure, const char* title);
    static std::string couldntSave(const kit::SaveError& error);

    AppSettings& settings_;
    CaptureLibrary& library_;
    Services services_;
    std::unique_ptr<SelectionOverlayController> overlay_;
    std::unique_ptr<ScrollCaptureController> scrollCapture_;
    Purpose purpose_ = Purpose::capture;
    Logger log_{"coordinator"};
};
