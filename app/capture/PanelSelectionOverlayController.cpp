#include "app/capture/PanelSelectionOverlayController.h"

#include "app/platform/x11/XcbConnection.h"

#include <chrono>
#include <utility>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <qcoro/qcorotimer.h>

#include "app/base/GlimpoUIState.h"
#include "kit/Error.h"
#include "kit/Selection.h"

namespace {

const std::string overlaySurface = "overlay";
// Another client may hold the keyboard or pointer for a moment (a menu closing, a key still
// down): the grab is tried again for about a second.
constexpr int grabRetryMs = 20;
constexpr int grabAttemptLimit = 50;

} // namespace

PanelSelectionOverlayController::PanelSelectionOverlayController(ScreenCaptureService& capturer, QObject* parent)
    : SelectionOverlayController(parent), capturer_(capturer) {
    // Loading the fonts takes a while the first time: better now than while the user waits.
    if (qGuiApp) QFontMetricsF(SelectionOverlayView::labelFont()).height();
    grabRetry_.setInterval(grabRetryMs);
    connect(&grabRetry_, &QTimer::timeout, this, &PanelSelectionOverlayController::grabInput);
}

PanelSelectionOverlayController::~PanelSelectionOverlayController() {
    if (shown_) hidePanels();
    if (running_) GlimpoUIState::shared().remove(overlaySurface);
}

void PanelSelectionOverlayController::begin(SelectionMode mode, bool allowsWindowMode, SelectionPurpose purpose) {
    QElapsedTimer clock;
    clock.start();
    running_ = true;
    mode_ = mode;
    allowsWindowMode_ = allowsWindowMode;
    purpose_ = purpose;
    GlimpoUIState::shared().insert(overlaySurface);
    dragStart_.reset();
    selection_.reset();
    hoveredWindow_.reset();
    run(++generation_, clock);
}

QCoro::Task<void> PanelSelectionOverlayController::run(std::uint64_t generation, QElapsedTimer clock) {
    QPointer<PanelSelectionOverlayController> self(this);
    DisplayLayout layout = capturer_.displays().layout();
    pointer_ = capturer_.displays().pointerLocation();
    // A selection replacing one still on screen keeps its frame: grabbing now would take the
    // panels themselves.
    if (!(shown_ && frozen_ && layout == layout_)) {
        if (shown_) hidePanels();
        layout_ = layout;
        std::shared_ptr<FrozenScreen> frozen;
        std::exception_ptr failure;
        try {
            frozen = co_await capturer_.freeze(layout);
        } catch (const std::exception& error) {
            if (!self) co_return;
            log_.error("frozen frame failed error={}", kit::describe(error));
            failure = std::current_exception();
        }
        if (!self || generation != generation_ || !running_) co_return;
        // What the panels would show is unknown, and so would be what the user picks.
        if (failure) {
            emit failed(failure);
            finish(SelectionResult::cancelled());
            co_return;
        }
        frozen_ = std::move(frozen);
    }
    showPanels();
    windows_.clear();
    windowsListed_ = false;
    loadWindows(generation);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    log_.info("overlay shown overlay_ms={:.1f}", ms);
}

QCoro::Task<void> PanelSelectionOverlayController::loadWindows(std::uint64_t generation) {
    QPointer<PanelSelectionOverlayController> self(this);
    // After the panels are up: the list is not needed to draw them.
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    if (!self || generation != generation_) co_return;
    std::vector<CapturableWindow> list;
    try {
        list = co_await capturer_.windows();
    } catch (const std::exception& error) {
        if (!self) co_return;
        log_.error("window list failed error={}", kit::describe(error));
        emit windowsLoaded();
        co_return;
    }
    if (!self || generation != generation_) co_return;
    windows_ = std::move(list);
    windowsListed_ = true;
    if (frozen_) frozen_->windows = windows_;
    if (mode_ == SelectionMode::window && nothingToPick()) tellNothingToPick();
    if (mode_ == SelectionMode::window) pointerMoved(pointer_);
    emit windowsLoaded();
}

void PanelSelectionOverlayController::showPanels() {
    std::set<std::uint32_t> connected;
    for (const DisplayInfo& display : layout_.displays()) connected.insert(display.id);
    for (auto it = panels_.begin(); it != panels_.end();) {
        if (connected.count(it->first)) {
            ++it;
            continue;
        }
        it->second->hide();
        it = panels_.erase(it);
    }

    for (const DisplayInfo& display : layout_.displays()) {
        auto& panel = panels_[display.id];
        if (!panel) {
            panel.reset(new SelectionOverlayView(display.id, [this] { return drawingState(); }));
            SelectionOverlayView* view = panel.get();
            connect(view, &SelectionOverlayView::pointerMoved, this, &PanelSelectionOverlayController::pointerMoved);
            connect(view, &SelectionOverlayView::pressed, this, &PanelSelectionOverlayController::pressed);
            connect(view, &SelectionOverlayView::dragged, this, &PanelSelectionOverlayController::dragged);
            connect(view, &SelectionOverlayView::released, this, &PanelSelectionOverlayController::released);
            connect(view, &SelectionOverlayView::cancelled, this, &PanelSelectionOverlayController::cancel);
            connect(view, &SelectionOverlayView::modeToggled, this, &PanelSelectionOverlayController::toggleMode);
        }
        QImage frozen;
        if (frozen_) {
            if (auto found = frozen_->images.find(display.id); found != frozen_->images.end()) frozen = found->second;
        }
        panel->present(display, frozen);
    }
    shown_ = true;

    const DisplayInfo* under = layout_.screenContaining(pointer_);
    if (!under) under = layout_.mainDisplay();
    keyPanel_ = under ? panels_.at(under->id).get() : nullptr;
    grabAttempts_ = 0;
    grabInput();
    redraw();
}

void PanelSelectionOverlayController::grabInput() {
    if (!shown_ || !keyPanel_) {
        grabRetry_.stop();
        return;
    }
    keyPanel_->grabKeyboard();
    keyPanel_->grabMouse();
    QWindow* window = keyPanel_->windowHandle();
    const bool grabbed = window && platform::x11::grabInput(*window);
    if (grabbed) {
        grabRetry_.stop();
        return;
    }
    if (++grabAttempts_ >= grabAttemptLimit) {
        grabRetry_.stop();
        log_.error("input grab failed");
        return;
    }
    if (!grabRetry_.isActive()) grabRetry_.start();
}

void PanelSelectionOverlayController::hidePanels() {
    grabRetry_.stop();
    if (keyPanel_) {
        keyPanel_->releaseKeyboard();
        keyPanel_->releaseMouse();
    }
    // The panels let go of their pictures: a frozen frame lives only as long as its capture.
    for (auto& [id, panel] : panels_) panel->dismiss();
    keyPanel_ = nullptr;
    shown_ = false;
}

void PanelSelectionOverlayController::redraw() {
    for (auto& [id, panel] : panels_) panel->refresh();
}

std::optional<CapturableWindow> PanelSelectionOverlayController::windowAt(kit::Point point) const {
    for (const CapturableWindow& window : windows_)
        if (window.frame.contains(point)) return window;
    return std::nullopt;
}

void PanelSelectionOverlayController::pointerMoved(kit::Point point) {
    pointer_ = point;
    if (mode_ == SelectionMode::window) hoveredWindow_ = windowAt(point);
    redraw();
}

void PanelSelectionOverlayController::pressed(kit::Point point) {
    pointer_ = point;
    if (mode_ != SelectionMode::area) return;
    dragStart_ = point;
    selection_.reset();
    redraw();
}

void PanelSelectionOverlayController::dragged(kit::Point point) {
    pointer_ = point;
    if (mode_ != SelectionMode::area || !dragStart_) return;
    const DisplayInfo* display = layout_.screenContaining(*dragStart_);
    if (!display) return;
    selection_ = kit::SelectionGeometry::normalizedRect(*dragStart_, point, display->frame);
    redraw();
}

bool PanelSelectionOverlayController::nothingToPick() const {
    return windowsListed_ && windows_.empty() && !capturer_.listsEveryWindow();
}

void PanelSelectionOverlayController::tellNothingToPick() {
    emit notice(noWindowsSentence);
}

void PanelSelectionOverlayController::toggleMode() {
    if (!allowsWindowMode_) return;
    if (mode_ == SelectionMode::area && nothingToPick()) {
        tellNothingToPick();
        return;
    }
    mode_ = mode_ == SelectionMode::area ? SelectionMode::window : SelectionMode::area;
    dragStart_.reset();
    selection_.reset();
    if (mode_ == SelectionMode::window) {
        hoveredWindow_ = windowAt(pointer_);
    } else {
        hoveredWindow_.reset();
    }
    redraw();
}

void PanelSelectionOverlayController::released(kit::Point) {
    if (mode_ == SelectionMode::window) {
        finish(hoveredWindow_ ? SelectionResult::window(hoveredWindow_->id) : SelectionResult::cancelled());
        return;
    }
    const DisplayInfo* display = dragStart_ ? layout_.screenContaining(*dragStart_) : nullptr;
    if (display && selection_ && kit::SelectionGeometry::isAcceptable(*selection_)) {
        finish(SelectionResult::area(DisplayLayout::localFromGlobal(*display, *selection_), display->id));
        return;
    }
    finish(SelectionResult::cancelled());
}

void PanelSelectionOverlayController::cancel() { finish(SelectionResult::cancelled()); }

void PanelSelectionOverlayController::finish(SelectionResult result) {
    hidePanels();
    GlimpoUIState::shared().remove(overlaySurface);
    const bool wasRunning = std::exchange(running_, false);
    dragStart_.reset();
    selection_.reset();
    std::shared_ptr<FrozenScreen> frozen = std::move(frozen_);
    if (!wasRunning) return;
    // The capture that the result starts takes its pixels from the frame the user saw.
    emit finished(std::move(result).withFrozen(std::move(frozen)));
}

OverlayDrawing::State PanelSelectionOverlayController::drawingState() const {
    return {mode_, selection_, pointer_, hoveredWindow_, purpose_};
}

std::vector<SelectionOverlayView*> PanelSelectionOverlayController::panels() const {
    std::vector<SelectionOverlayView*> result;
    for (const DisplayInfo& display : layout_.displays()) {
        if (auto found = panels_.find(display.id); found != panels_.end()) result.push_back(found->second.get());
    }
    return result;
}
