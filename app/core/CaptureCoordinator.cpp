#include "app/core/CaptureCoordinator.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QTextBoundaryFinder>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

#include "app/base/AppSettings.h"
#include "app/base/KitText.h"
#include "app/storage/CaptureLibrary.h"
#include "kit/Error.h"

namespace {

void copyToClipboard(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(text));
}

// Characters as the user counts them (an accent combined with its letter is one), not bytes.
long characterCount(const std::string& text) {
    const QString string = QString::fromStdString(text);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, string);
    long count = 0;
    while (graphemes.toNextBoundary() > 0) ++count;
    return count;
}

} // namespace

CaptureCoordinator::CaptureCoordinator(AppSettings& settings, CaptureLibrary& library, Services services,
                                       QObject* parent)
    : QObject(parent), settings_(settings), library_(library), services_(std::move(services)) {
    if (!services_.copyText) services_.copyText = copyToClipboard;
    connect(services_.recorder.get(), &ScreenRecorder::stoppedBySystem, this, &CaptureCoordinator::deliverRecording);
    connect(services_.recorder.get(), &ScreenRecorder::notice, this,
            [this](const std::string& text) { emit message(text, "record.circle"); });
}

std::optional<ScreenRecorder::Elapsed> CaptureCoordinator::recordingElapsed() const {
    return services_.recorder->elapsed();
}

void CaptureCoordinator::run(kit::CaptureAction action) {
    switch (action) {
    case kit::CaptureAction::area:
        select(SelectionMode::area);
        break;
    case kit::CaptureAction::fullscreen: {
        const kit::Point position = services_.displays->pointerLocation();
        capture([position](ScreenCaptureService& capturer) { return capturer.captureDisplay(position); });
        break;
    }
    case kit::CaptureAction::window:
        select(SelectionMode::window);
        break;
    case kit::CaptureAction::recording:
        if (recordingElapsed()) {
            stopRecordingNow();
        } else {
            selectRecordingArea();
        }
        break;
    case kit::CaptureAction::text:
        captureText();
        break;
    case kit::CaptureAction::scroll:
        // The same action ends a scrolling capture that runs.
        if (ScrollCaptureController* scrolling = scrollCapture(); scrolling && scrolling->isRunning()) {
            scrolling->stop();
        } else if (scrolling) {
            selectFor(Purpose::scroll, SelectionMode::area, true);
        }
        break;
    case kit::CaptureAction::allInOne:
        // The bar is the delegate's to toggle; it never reaches the coordinator.
        break;
    }
}

SelectionOverlayController& CaptureCoordinator::overlay() {
    if (!overlay_) {
        overlay_ = services_.makeOverlay(*services_.capturer);
        SelectionOverlayController* made = overlay_.get();
        connect(made, &SelectionOverlayController::finished, this, &CaptureCoordinator::selectionFinished);
        connect(made, &SelectionOverlayController::notice, this,
                [this](const std::string& text) { emit message(text, "macwindow"); });
        connect(made, &SelectionOverlayController::failed, this, [this](const std::exception_ptr& failure) {
            switch (purpose_) {
            case Purpose::capture: return report(failure, QT_TR_NOOP("Couldn't capture"));
            case Purpose::recording: return report(failure, QT_TR_NOOP("Couldn't start recording"));
            case Purpose::text: return report(failure, QT_TR_NOOP("Couldn't read the text"));
            case Purpose::scroll: return report(failure, QT_TR_NOOP("Couldn't capture"));
            }
        });
    }
    return *overlay_;
}

void CaptureCoordinator::select(SelectionMode mode) {
    selectFor(Purpose::capture, mode, true);
}

void CaptureCoordinator::selectFor(Purpose purpose, SelectionMode mode, bool allowsWindowMode) {
    SelectionOverlayController& picker = overlay();
    // A selection this one replaces never finishes, so the purpose is always the running one's.
    purpose_ = purpose;
    picker.begin(mode, allowsWindowMode,
                 purpose == Purpose::recording ? SelectionPurpose::recording : SelectionPurpose::capture);
}

void CaptureCoordinator::selectionFinished(const SelectionResult& result) {
    if (purpose_ == Purpose::scroll) {
        if (result.kind() == SelectionResult::Kind::cancelled) {
            log_.info("selection cancelled");
        } else if (ScrollCaptureController* scrolling = scrollCapture()) {
            scrolling->start(result);
        }
        return;
    }
    if (purpose_ != Purpose::capture) {
        // Window picking is off, so anything but an area ends the flow silently.
        if (result.kind() != SelectionResult::Kind::area) return;
        if (purpose_ == Purpose::recording) {
            startRecording(result.rect(), result.displayID());
        } else {
            recognizeText(result);
        }
        return;
    }
    switch (result.kind()) {
    case SelectionResult::Kind::cancelled:
        log_.info("selection cancelled");
        break;
    case SelectionResult::Kind::area:
        capture([result](ScreenCaptureService& c) {
            return c.captureRect(result.rect(), result.displayID(), result.frozen());
        });
        break;
    case SelectionResult::Kind::window:
        capture([result](ScreenCaptureService& c) { return c.captureWindow(result.windowNumber(), result.frozen()); });
        break;
    }
}

void CaptureCoordinator::capture(CaptureWork work) {
    captureTask(std::move(work));
}

QCoro::Task<void> CaptureCoordinator::captureTask(CaptureWork work) {
    QPointer<CaptureCoordinator> self(this);
    std::exception_ptr failure;
    std::optional<Capture> stored;
    CapturedImage image;
    try {
        image = co_await work(*services_.capturer);
        if (!self) co_return;
        stored = co_await library_.store(image);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) co_return;
    if (failure) {
        report(failure, QT_TR_NOOP("Couldn't capture"));
        co_return;
    }
    services_.sounds->play(kit::CaptureSound::screenshot);
    std::optional<std::string> unsaved;
    if (settings_.savesAutomatically()) {
        const kit::SaveResult saved = library_.save(*stored);
        if (saved.ok()) {
            stored->fileURL = saved.value();
            stored->isSaved = true;
        } else {
            // Kept in the cache, and shown with why, as a recording that couldn't be saved.
            unsaved = couldntSave(saved.error());
        }
    }
    emit captured(*stored, unsaved, image);
}

std::string CaptureCoordinator::couldntSave(const kit::SaveError& error) {
    return tr("Couldn't save: %1").arg(KitText::reason(error)).toStdString();
}

void CaptureCoordinator::selectRecordingArea() {
    selectFor(Purpose::recording, SelectionMode::area, false);
}

void CaptureCoordinator::startRecording(std::optional<kit::Rect> area, std::optional<std::uint32_t> displayID) {
    std::optional<std::uint32_t> display = displayID;
    if (!display) {
        if (const auto under = screenUnderPointer(*services_.displays)) display = under->id;
    }
    if (!display) return;
    startRecordingTask(area, *display);
}

QCoro::Task<void> CaptureCoordinator::startRecordingTask(std::optional<kit::Rect> area, std::uint32_t displayID) {
    QPointer<CaptureCoordinator> self(this);
    std::exception_ptr failure;
    try {
        const bool microphone = co_await microphoneAllowed();
        if (!self) co_return;
        co_await services_.recorder->start(area, displayID, microphone, settings_.recordSystemAudio());
    } catch (...) {
        failure = std::current_exception();
    }
    if (self && failure) report(failure, QT_TR_NOOP("Couldn't start recording"));
}

QCoro::Task<bool> CaptureCoordinator::microphoneAllowed() {
    if (!settings_.recordMicrophone()) co_return false;
    QPointer<CaptureCoordinator> self(this);
    const MicrophoneAuthorization status = services_.microphoneStatus
                                               ? co_await QtConcurrent::run(services_.microphoneStatus)
                                               : MicrophoneAuthorization::restricted;
    if (!self) co_return false;
    switch (status) {
    case MicrophoneAuthorization::authorized:
        co_return true;
    case MicrophoneAuthorization::denied:
    case MicrophoneAuthorization::restricted:
        break;
    }
    emit message(tr("Recording without microphone").toStdString(), "mic.slash");
    co_return false;
}

void CaptureCoordinator::stopRecordingNow() {
    stopRecording();
}

QCoro::Task<void> CaptureCoordinator::stopRecording() {
    QPointer<CaptureCoordinator> self(this);
    std::optional<RecordingOutcome> outcome;
    try {
        std::optional<FinishedRecordingCapture> finished = co_await services_.recorder->stop();
        if (finished) outcome = RecordingOutcome(std::move(*finished));
    } catch (...) {
        outcome = RecordingOutcome(std::current_exception());
    }
    if (self && outcome) deliverRecording(*outcome);
}

void CaptureCoordinator::deliverRecording(const RecordingOutcome& result) {
    if (const auto* error = std::get_if<std::exception_ptr>(&result)) {
        report(*error, QT_TR_NOOP("Recording problem"));
        return;
    }
    const auto& finished = std::get<FinishedRecordingCapture>(result);
    std::optional<std::string> failure;
    if (finished.saveError) failure = couldntSave(*finished.saveError);
    emit captured(finished.capture, failure, {});
}

void CaptureCoordinator::captureText() {
    selectFor(Purpose::text, SelectionMode::area, false);
}

QCoro::Task<void> CaptureCoordinator::recognizeText(SelectionResult area) {
    QPointer<CaptureCoordinator> self(this);
    std::exception_ptr failure;
    std::string text;
    try {
        CapturedImage image = co_await services_.capturer->captureRect(area.rect(), area.displayID(), area.frozen());
        // The frame is not needed while the text is read.
        area = SelectionResult::cancelled();
        if (!self) co_return;
        emit progress(tr("Reading text…").toStdString(), "text.viewfinder");
        // The recogniser sizes the text by the pixels per point.
        if (image.pointSize.width > 0) image.image.setDevicePixelRatio(image.image.width() / image.pointSize.width);
        text = co_await services_.recognizer->recognize(std::move(image.image));
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) co_return;
    if (failure) {
        report(failure, QT_TR_NOOP("Couldn't read the text"));
        co_return;
    }
    if (text.empty()) {
        emit message(tr("No text found").toStdString(), "text.viewfinder");
        co_return;
    }
    services_.copyText(text);
    log_.info("text copied characters={}", characterCount(text));
    services_.sounds->play(kit::CaptureSound::textCopied);
    emit message(tr("Text copied").toStdString(), "doc.on.clipboard");
}

ScrollCaptureController* CaptureCoordinator::scrollCapture() {
    if (!scrollCapture_ && services_.makeScrollCapture) {
        scrollCapture_ = services_.makeScrollCapture();
        connect(scrollCapture_.get(), &ScrollCaptureController::finished, this, [this](const CapturedImage& picture) {
            // Stored, sounded and shown like any other capture.
            capture([picture](ScreenCaptureService&) -> QCoro::Task<CapturedImage> { co_return picture; });
        });
        connect(scrollCapture_.get(), &ScrollCaptureController::failed, this,
                [this](const std::exception_ptr& failure) { report(failure, QT_TR_NOOP("Couldn't capture")); });
    }
    return scrollCapture_.get();
}

void CaptureCoordinator::report(const std::exception_ptr& failure, const char* title) {
    const std::string description = KitText::describe(failure);
    log_.error("{} error={}", title, description);
    bool declined = false;
    try {
        if (failure) std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        declined = kit::CaptureFailure::classify(e) == kit::CaptureFailure::needsScreenPermission;
    } catch (...) {
    }
    if (declined) {
        emit permissionNeeded();
    } else {
        //: A title and the reason: "Couldn't capture: The window is no longer available."
        emit error(tr("%1: %2").arg(tr(title), QString::fromStdString(description)).toStdString());
    }
}

