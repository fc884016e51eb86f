#pragma once
// Carries every capture action from request to outcome: selection, capture, storage, sound,
// recording and text, reporting each outcome through the five callbacks its owner installs.

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
#include "app/storage/Capture.h"
#include "app/text/TextRecognitionService.h"
#include "kit/CaptureVocabulary.h"

class AppSettings;
class CaptureLibrary;

class CaptureCoordinator : public QObject {
    Q_OBJECT

public:
    // The platform services the coordinator works through. A service this build lacks is left
    // empty; an action that needs it then ends in an error notice that says so.
    struct Services {
        std::unique_ptr<ScreenCaptureService> capturer;
        std::function<std::unique_ptr<SelectionOverlayController>(ScreenCaptureService&)> makeOverlay;
        std::unique_ptr<ScreenRecorder> recorder;
        std::unique_ptr<TextRecognitionService> recognizer;
        std::unique_ptr<SoundPlayer> sounds;
        std::unique_ptr<DisplayLocator> displays;
        std::function<MicrophoneAuthorization()> microphoneStatus = PermissionGate::microphoneAuthorization;
        std::function<QCoro::Task<bool>()> requestMicrophone = PermissionGate::requestMicrophone;
        // Puts plain text on the clipboard.
        std::function<void(const std::string&)> copyText;
    };

    CaptureCoordinator(AppSettings& settings, CaptureLibrary& library, Services services, QObject* parent = nullptr);
    ~CaptureCoordinator() override;

    // Starts the action and returns at once.
    void run(kit::CaptureAction action);
    // No area: the whole display; no display: the one under the pointer.
    void startRecording(std::optional<kit::Rect> area, std::optional<std::uint32_t> displayID);
    // The stop-recording flow, for the menu's stop item and the Escape key.
    void stopRecordingNow();

    // Absent when this build records nothing.
    ScreenRecorder* recorder() const { return services_.recorder.get(); }
    TextRecognitionService* recognizer() const { return services_.recognizer.get(); }
    // Time since the running recording started; absent while none runs. A tracked read.
    std::optional<ScreenRecorder::Elapsed> recordingElapsed() const;

    std::function<void(const Capture&, const std::optional<std::string>& failure)> onCaptured =
        [](const Capture&, const std::optional<std::string>&) {};
    std::function<void()> onPermissionNeeded = [] {};
    std::function<void(const std::string&)> onError = [](const std::string&) {};
    std::function<void(const std::string& message, const std::string& systemImage)> onMessage =
        [](const std::string&, const std::string&) {};
    std::function<void(const std::string& message, const std::string& systemImage)> onProgress =
        [](const std::string&, const std::string&) {};

private:
    using CaptureWork = std::function<QCoro::Task<CapturedImage>(ScreenCaptureService&)>;

    // The overlay, made on first use; none (reported under `title`) when this build has none.
    SelectionOverlayController* overlay(const std::string& title);
    void select(SelectionMode mode);
    void capture(CaptureWork work);
    QCoro::Task<void> captureTask(CaptureWork work);
    void selectRecordingArea();
    // An area-only selection; `onArea` runs only while the coordinator exists.
    void selectArea(const std::string& title, std::function<void(kit::Rect, std::uint32_t)> onArea);
    QCoro::Task<void> startRecordingTask(std::optional<kit::Rect> area, std::uint32_t displayID);
    QCoro::Task<void> stopRecording();
    void deliverRecording(const RecordingOutcome& result);
    QCoro::Task<bool> microphoneAllowed();
    void captureText();
    QCoro::Task<void> recognizeText(kit::Rect rect, std::uint32_t displayID);
    void report(const std::exception_ptr& error, const std::string& title);
    void reportUnavailable(const std::string& sentence, const std::string& title);

    AppSettings& settings_;
    CaptureLibrary& library_;
    Services services_;
    std::unique_ptr<SelectionOverlayController> overlay_;
    Logger log_{"coordinator"};
};
