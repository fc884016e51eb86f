#include "app/recording/StreamScreenRecorder.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <system_error>

#include "app/capture/DisplayService.h"
#include "app/capture/ScreenCaptureError.h"
#include "app/widgets/FloatingPanel.h"
#include "app/recording/RecordingFrame.h"
#include "app/storage/CaptureLibrary.h"

namespace {

kit::MediaTime hostTime() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return kit::MediaTime::fromNanoseconds(std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
}

std::filesystem::path writingFile(const std::filesystem::path& movie) {
    return movie.string() + StreamScreenRecorder::writingSuffix;
}

// Runs `work` on a pool thread; its exception comes back as a value.
template <class Work> auto offMainThread(Work work) {
    return QtConcurrent::run([work = std::move(work)]() mutable -> std::exception_ptr {
        try {
            work();
            return nullptr;
        } catch (...) {
            return std::current_exception();
        }
    });
}

// The movie file of a finished recording: the fragmented one rewritten with its index at the
// front, else, should that fail, the fragmented one itself (it plays too).
std::optional<kit::Size> settleMovie(const RecordingModule& module, const std::filesystem::path& movie) {
    const std::filesystem::path written = writingFile(movie);
    std::optional<kit::Size> size = module.finishMovie(written, movie);
    std::error_code ignored;
    if (size) {
        std::filesystem::remove(written, ignored);
    } else {
        std::filesystem::rename(written, movie, ignored);
    }
    return size;
}

} // namespace

struct StreamScreenRecorder::ActiveRecording {
    std::unique_ptr<RecordingSession> session;
    std::filesystem::path fileURL;
    kit::Size pixelSize;
    std::chrono::system_clock::time_point capturedAt;
    // Root pixels of what is recorded, and of its display.
    QRect rootArea;
    QRect displayPixels;
};

StreamScreenRecorder::StreamScreenRecorder(CaptureLibrary& library, std::shared_ptr<DisplayService> displays,
                                           ModuleLoader module, QObject* parent)
    : ScreenRecorder(parent), library_(library), displays_(std::move(displays)), module_(std::move(module)) {
    clockTimer_.setInterval(500);
    clockTimer_.setTimerType(Qt::PreciseTimer);
    connect(&clockTimer_, &QTimer::timeout, this, [this] {
        elapsed_.set(std::chrono::duration_cast<Elapsed>(std::chrono::steady_clock::now() - clockStart_));
    });
    // A window that was hidden keeps its place in the exclusions until the server has surely
    // taken it off the screen.
    hiddenLater_.setSingleShot(true);
    hiddenLater_.setInterval(100);
    connect(&hiddenLater_, &QTimer::timeout, this, [this] { publishOwnWindows(false); });
    QTimer::singleShot(0, this, &StreamScreenRecorder::recoverInterrupted);
}

StreamScreenRecorder::~StreamScreenRecorder() {
    if (qApp) qApp->removeEventFilter(this);
    if (lifecycle_.state() != kit::RecordingLifecycle::State::idle) displays_->setRecordedArea(std::nullopt);
}

QCoro::Task<void> StreamScreenRecorder::start(std::optional<kit::Rect> area, std::uint32_t displayID, bool microphone,
                                              bool systemAudio) {
    if (lifecycle_.state() != kit::RecordingLifecycle::State::idle) {
        log_.notice("start ignored state={}", kit::name(lifecycle_.state()));
        co_return;
    }
    lifecycle_.beginStart();
    QPointer<StreamScreenRecorder> self(this);
    auto active = std::make_unique<ActiveRecording>();
    std::exception_ptr failure;
    try {
        const DisplayLayout layout = displays_->layout();
        const DisplayInfo* display = layout.screen(displayID);
        if (!display) throw ScreenCaptureError::displayNotFound();
        const kit::Rect rect = area ? *area : kit::Rect::make(0, 0, display->frame.width(), display->frame.height());
        const double scale = display->scale;
        const kit::RecordingFormat::PixelSize size = kit::RecordingFormat::videoSize(rect.size, scale);
        const int left = int(std::floor(rect.minX() * scale)), top = int(std::floor(rect.minY() * scale));
        const QRect rootArea(display->pixels.x() + left, display->pixels.y() + top,
                             int(std::ceil(rect.maxX() * scale)) - left, int(std::ceil(rect.maxY() * scale)) - top);
        // Glimpo's floating panels make way before the first frame.
        const kit::Point low = DisplayLayout::globalFromLocal(*display, {rect.minX(), rect.maxY()});
        displays_->setRecordedArea(kit::Rect::make(low.x, low.y, rect.width(), rect.height()));

        active->rootArea = rootArea;
        active->displayPixels = display->pixels;
        active->capturedAt = std::chrono::system_clock::now();
        active->fileURL = library_.newCacheURL(kit::CaptureKind::video, active->capturedAt);
        active->pixelSize = kit::Size{double(size.width), double(size.height)};
        const RecordingModule& module = module_();
        RecordingSession::Settings settings{writingFile(active->fileURL), rootArea, size, systemAudio, microphone, {}};
        if (screenCast_) {
            const platform::wayland::ScreenCastPortal::Grant grant = co_await screenCast_->open();
            // A portal that does not say where the monitor is shares the one it was asked for.
            const QRect shared = grant.area.isEmpty() ? display->pixels : grant.area;
            settings.sharedScreen = RecordingSession::Settings::SharedScreen{grant.fd, grant.node, shared};
            if (!shared.contains(rootArea)) {
                ::close(grant.fd);
                throw kit::Error("The shared screen doesn't show the selected area. Share the screen it is on.");
            }
        }

        std::unique_ptr<RecordingSession> session;
        auto onStopped = [self](const std::string& error) {
            QMetaObject::invokeMethod(qApp, [self, error] {
                if (self) self->streamStopped(error);
            }, Qt::QueuedConnection);
        };
        ownWindows_ = ownWindowRects();
        std::vector<QRect> ownWindows = ownWindows_;
        std::exception_ptr error = co_await offMainThread([&] {
            session = module.makeSession(settings);
            session->setOwnWindows(std::move(ownWindows));
            session->start(onStopped);
        });
        if (error) std::rethrow_exception(error);
        active->session = std::move(session);
        log_.info("recording started width={} height={} mic={} system={}", size.width, size.height, microphone,
                  systemAudio);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self) co_return;
    if (failure) {
        if (screenCast_) screenCast_->close();
        displays_->setRecordedArea(std::nullopt);
        lifecycle_.didFinish();
        std::rethrow_exception(failure);
    }
    session_ = std::move(active);
    lifecycle_.didStart();
    startClock();
    if (!frame_) frame_ = std::make_unique<RecordingFrame>();
    frame_->surround(session_->rootArea, session_->displayPixels);
    qApp->installEventFilter(this);
    // The panels may have made way for the recording meanwhile.
    publishOwnWindows(true);
    hiddenLater_.start();
}

QCoro::Task<std::optional<FinishedRecordingCapture>> StreamScreenRecorder::stop() {
    if (lifecycle_.state() != kit::RecordingLifecycle::State::recording) co_return std::nullopt;
    lifecycle_.beginStop();
    std::unique_ptr<ActiveRecording> active = std::move(session_);
    stopClock();
    if (frame_) frame_->orderOut();
    qApp->removeEventFilter(this);
    hiddenLater_.stop();
    const kit::MediaTime stopTime = hostTime();
    QPointer<StreamScreenRecorder> self(this);

    RecordingSession* session = active->session.get();
    std::optional<std::string> stopError, finishError;
    co_await offMainThread([&] { stopError = session->stopCapture(stopTime); });
    if (self) {
        displays_->setRecordedArea(std::nullopt);
        if (screenCast_) screenCast_->close();
    }
    if (stopError) log_.error("stop capture failed error={}", *stopError);
    const RecordingModule& module = module_();
    co_await offMainThread([&] {
        finishError = session->finish(stopTime);
        if (!finishError) settleMovie(module, active->fileURL);
    });
    if (self) lifecycle_.didFinish();
    if (finishError) throw kit::Error(*finishError);

    Capture temp{QUuid::createUuid(), active->fileURL, kit::CaptureKind::video, active->pixelSize, active->capturedAt,
                 false};
    if (!self) co_return FinishedRecordingCapture{temp, std::nullopt};
    const kit::SaveResult save = library_.save(temp);
    const kit::FinishedRecording outcome = kit::FinishedRecording::resolve(active->fileURL, save);
    if (!outcome.isSaved()) co_return FinishedRecordingCapture{temp, outcome.error()};
    Capture saved = temp;
    saved.fileURL = outcome.url();
    saved.isSaved = true;
    co_return FinishedRecordingCapture{saved, std::nullopt};
}

QCoro::Task<void> StreamScreenRecorder::streamStopped(std::string error) {
    log_.error("stream stopped by the system error={}", error);
    QPointer<StreamScreenRecorder> self(this);
    std::optional<RecordingOutcome> outcome;
    try {
        if (auto finished = co_await stop()) outcome = RecordingOutcome(std::move(*finished));
    } catch (...) {
        outcome = RecordingOutcome(std::current_exception());
    }
    if (self && outcome) emit stoppedBySystem(*outcome);
}

void StreamScreenRecorder::startClock() {
    clockStart_ = std::chrono::steady_clock::now();
    elapsed_.set(Elapsed::zero());
    clockTimer_.start();
}

void StreamScreenRecorder::stopClock() {
    clockTimer_.stop();
    elapsed_.set(std::nullopt);
}

bool StreamScreenRecorder::eventFilter(QObject* watched, QEvent* event) {
    if (!session_ || !watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow()) return false;
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Hide:
        // Where a window was stays out until the server has surely drawn what it covered.
        publishOwnWindows(true);
        hiddenLater_.start();
        break;
    default:
        break;
    }
    return false;
}

void StreamScreenRecorder::publishOwnWindows(bool keepingWhereTheyWere) {
    if (!session_) return;
    std::vector<QRect> rects = ownWindowRects();
    if (keepingWhereTheyWere) {
        for (const QRect& now : rects)
            if (std::find(ownWindows_.begin(), ownWindows_.end(), now) == ownWindows_.end()) ownWindows_.push_back(now);
    } else {
        ownWindows_ = std::move(rects);
    }
    session_->session->setOwnWindows(ownWindows_);
}

std::vector<QRect> StreamScreenRecorder::ownWindowRects() {
    std::vector<QRect> rects;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        // Only the floating panels (thumbnails, notices, the bar) are kept out: Settings and the
        // welcome window are ordinary windows the user may well mean to record. Qt marks a
        // window visible before its Show event, and maps it after.
        if (window->isVisible() && qobject_cast<FloatingPanel*>(window))
            rects.push_back(DisplayService::rootGeometry(window->frameGeometry()));
    }
    return rects;
}

void StreamScreenRecorder::recoverInterrupted() {
    std::vector<std::filesystem::path> cutShort;
    std::error_code error;
    for (const auto& folder : std::filesystem::directory_iterator(library_.cacheFolder(), error)) {
        std::error_code inner;
        for (const auto& file : std::filesystem::directory_iterator(folder.path(), inner)) {
            if (file.path().extension() == writingSuffix) cutShort.push_back(file.path());
        }
    }
    if (cutShort.empty() || lifecycle_.state() != kit::RecordingLifecycle::State::idle) return;
    const RecordingModule* module = nullptr;
    try {
        module = &module_();
    } catch (const std::exception& e) {
        log_.error("recovery failed error={}", e.what());
        return;
    }
    for (const auto& written : cutShort) {
        const std::filesystem::path movie = written.parent_path() / written.stem();
        const auto capturedAt = CaptureLibrary::creationDate(written).value_or(std::chrono::system_clock::now());
        auto size = std::make_shared<std::optional<kit::Size>>();
        offMainThread([module, movie, size] { *size = settleMovie(*module, movie); })
            .then(this, [this, movie, capturedAt, size](std::exception_ptr) {
                std::error_code missing;
                if (!std::filesystem::exists(movie, missing)) return;
                if (!*size) {
                    // Nothing playable was left: no frame reached the file.
                    log_.info("recording recovery found nothing file={}", movie.filename().string());
                    std::filesystem::remove(movie, missing);
                    return;
                }
                const Capture temp{QUuid::createUuid(), movie, kit::CaptureKind::video, **size, capturedAt, false};
                const kit::SaveResult save = library_.save(temp);
                const kit::FinishedRecording outcome = kit::FinishedRecording::resolve(movie, save);
                Capture capture = temp;
                if (outcome.isSaved()) {
                    capture.fileURL = outcome.url();
                    capture.isSaved = true;
                }
                log_.info("recording recovered file={}", capture.fileURL.filename().string());
                emit notice("A recording that was cut short was saved.");
                emit stoppedBySystem(FinishedRecordingCapture{capture, outcome.error()});
            });
    }
}
