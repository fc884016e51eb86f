#pragma once
// A scrolling capture: one picture of an area taller than the screen. From what the overlay
// chose (an area, or a window, whose client area is taken as what scrolls), it turns the wheel
// itself where the desktop lets it, else asks the user to scroll; it takes a frame each time the
// area has settled, joins the frames (kit::ScrollStitcher) and shows the strip growing in a panel
// beside the area. It ends at the end of the content, on Escape, Enter or a click, or at the
// height limit, and hands over the picture as an ordinary capture.

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QPoint>
#include <QRect>
#include <qcoro/qcorotask.h>

#include "app/base/Log.h"
#include "app/capture/CapturedImage.h"
#include "app/capture/DisplayService.h"
#include "app/capture/OwnWindows.h"
#include "app/capture/SelectionOverlayController.h"
#include "app/platform/CaptureBackend.h"
#include "app/platform/ScrollInput.h"
#include "app/scrolling/ScreenFrames.h"

class ScrollCapturePanel;

class ScrollCaptureController : public QObject {
    Q_OBJECT

public:
    struct Platform {
        std::shared_ptr<const DisplayService> displays;
        // Where a picked window's client area is.
        std::shared_ptr<platform::CaptureBackend> backend;
        std::unique_ptr<platform::ScrollInput> input;
        // Glimpo's thumbnails and notices over the area are hidden while it is captured.
        std::unique_ptr<OwnWindows> ownWindows;
        // Frames of the display the area is on.
        std::function<std::unique_ptr<ScreenFrames>(const DisplayInfo& display)> makeFrames;
    };

    explicit ScrollCaptureController(Platform platform, QObject* parent = nullptr);
    ~ScrollCaptureController() override;

    // Starts on what the overlay chose; ignored while a capture runs.
    void start(const SelectionResult& chosen);
    bool isRunning() const { return running_; }
    // Ends the running capture with the picture it has.
    void stop();

    static constexpr int heightLimit = 20000;

signals:
    void finished(const CapturedImage& picture);
    void failed(const std::exception_ptr& failure);

private:
    struct Target {
        QRect rootArea;
        DisplayInfo display;
        // A picked window: what stays in place at its top and bottom is left out.
        bool window = false;
    };

    Target resolve(const SelectionResult& chosen) const;
    QCoro::Task<void> run(SelectionResult chosen, std::uint64_t generation);
    QCoro::Task<std::optional<CapturedImage>> capture(ScreenFrames& frames, Target target, std::uint64_t generation);
    // Waits until the area has changed and then stayed still; true when it changed. Without a
    // change it gives up after `firstChangeLimit` (never without one), or when stopped.
    QCoro::Task<bool> settle(ScreenFrames& frames, std::optional<std::chrono::milliseconds> firstChangeLimit);
    // Glimpo's wheel turns leave the pointer outside the area: inside it, it is the user's.
    bool userPointsAt(const QRect& rootArea) const;
    void end();

    Platform platform_;
    std::unique_ptr<ScrollCapturePanel> panel_;
    bool running_ = false;
    bool stopping_ = false;
    std::uint64_t generation_ = 0;
    std::optional<QPoint> pointerAtStart_;
    bool movedPointer_ = false;
    Logger log_{"capture"};
};
