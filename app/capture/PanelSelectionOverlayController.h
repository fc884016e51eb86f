#pragma once
// The selection overlay: one panel per display over a frozen frame of the screen, in which the
// user drags an area or points at a window. Input is grabbed while a selection runs and released
// on every ending. The frame is offered to the capture service while the result is reported, so
// the capture that follows is cut from what the user saw.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include "app/capture/CapturableWindow.h"
#include "app/capture/DisplayService.h"
#include "app/capture/OverlayDrawing.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/capture/SelectionOverlayController.h"
#include "app/capture/SelectionOverlayView.h"
#include "app/base/Log.h"

class PanelSelectionOverlayController : public SelectionOverlayController {
    Q_OBJECT

public:
    explicit PanelSelectionOverlayController(ScreenCaptureService& capturer, QObject* parent = nullptr);
    ~PanelSelectionOverlayController() override;

    // Replaces a selection still running, which then never finishes.
    void begin(SelectionMode mode, bool allowsWindowMode, SelectionPurpose purpose) override;

    // From the panels, in global coordinates.
    void pointerMoved(kit::Point point);
    void pressed(kit::Point point);
    void dragged(kit::Point point);
    void released(kit::Point point);
    void cancel();
    void toggleMode();

    static constexpr const char* noWindowsSentence =
        "This desktop doesn't show Glimpo its windows. Drag over the window to capture it as an area.";

    SelectionMode mode() const { return mode_; }
    bool allowsWindowMode() const { return allowsWindowMode_; }
    bool isSelecting() const { return running_; }
    std::optional<kit::Point> dragStart() const { return dragStart_; }
    std::optional<kit::Rect> selection() const { return selection_; }
    kit::Point pointer() const { return pointer_; }
    const std::optional<CapturableWindow>& hoveredWindow() const { return hoveredWindow_; }
    const std::vector<CapturableWindow>& windows() const { return windows_; }
    const DisplayLayout& layout() const { return layout_; }
    OverlayDrawing::State drawingState() const;

    // In display order.
    std::vector<SelectionOverlayView*> panels() const;
    // The panel that holds the keyboard and pointer grab.
    SelectionOverlayView* keyPanel() const { return keyPanel_; }

signals:
    // The window list of the running selection has arrived (or failed).
    void windowsLoaded();

private:
    // The window list came and is empty although the screen may show windows.
    bool nothingToPick() const;
    void tellNothingToPick();
    struct LaterDeleter {
        void operator()(QObject* object) const { object->deleteLater(); }
    };

    QCoro::Task<void> run(std::uint64_t generation, QElapsedTimer clock);
    QCoro::Task<void> loadWindows(std::uint64_t generation);
    void showPanels();
    void hidePanels();
    void grabInput();
    void redraw();
    void finish(SelectionResult result);
    std::optional<CapturableWindow> windowAt(kit::Point point) const;

    ScreenCaptureService& capturer_;
    std::map<std::uint32_t, std::unique_ptr<SelectionOverlayView, LaterDeleter>> panels_;
    bool running_ = false;
    Logger log_{"overlay"};
    SelectionMode mode_ = SelectionMode::area;
    std::optional<kit::Point> dragStart_;
    std::optional<kit::Rect> selection_;
    kit::Point pointer_;
    std::optional<CapturableWindow> hoveredWindow_;
    std::vector<CapturableWindow> windows_;
    bool windowsListed_ = false;
    bool allowsWindowMode_ = true;
    SelectionPurpose purpose_ = SelectionPurpose::capture;

    DisplayLayout layout_;
    std::shared_ptr<FrozenScreen> frozen_;
    // Tells a selection's late work from the current selection's.
    std::uint64_t generation_ = 0;
    bool shown_ = false;
    SelectionOverlayView* keyPanel_ = nullptr;
    QTimer grabRetry_;
    int grabAttempts_ = 0;
};
