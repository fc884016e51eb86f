#include "app/scrolling/ScrollCaptureController.h"

#include <QCoreApplication>

#include <QElapsedTimer>
#include <QPointer>
#include <qcoro/qcorotimer.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/base/GlimpoUIState.h"
#include "app/capture/ScreenCaptureError.h"
#include "app/scrolling/ScrollCapturePanel.h"
#include "kit/Error.h"
#include "kit/ScrollStitcher.h"
#include "kit/Selection.h"

namespace {

using namespace std::chrono_literals;
using Outcome = kit::ScrollStitcher::Outcome;

const std::string surface = "scrollCapture";
constexpr auto pollInterval = 4ms;
// Drawing that stops this long has ended: longer than the frames of a smooth scroll are apart.
constexpr auto quietPeriod = 60ms;
// A program that keeps drawing (an animation in the area) is taken as it is after this.
constexpr auto settleLimit = 2500ms;
// How long a program may take to start drawing after the wheel turned; nothing by then means
// it did not scroll.
constexpr auto respondLimit = 400ms;
// After a short step: a program that could still scroll has started drawing by then.
constexpr auto endProbeLimit = 150ms;
constexpr double shortShare = 0.9;
// The overlay has just gone: what it covered is being drawn again.
constexpr auto firstFrameLimit = 300ms;
// A step takes this share of what moves, so that frames overlap well.
constexpr double stepShare = 0.75;
constexpr int mostNotches = 40;
// Frames in a row that could not be joined before the capture ends with what it has.
constexpr int missLimit = 6;
constexpr int smallestSide = 32;

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::started: return "started";
    case Outcome::added: return "added";
    case Outcome::full: return "full";
    case Outcome::unchanged: return "unchanged";
    case Outcome::behind: return "behind";
    case Outcome::ambiguous: return "ambiguous";
    case Outcome::unmatched: return "unmatched";
    }
    return "";
}

kit::PixelRows rowsOf(const QImage& image) {
    return {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(), image.height(),
            image.bytesPerLine() / 4};
}

// The picture handed over without copying it: the image frees the pixels when it goes.
QImage imageOf(kit::ScrollStitcher::Picture picture) {
    if (picture.width <= 0 || picture.height <= 0 || !picture.pixels) return {};
    QImage image(
        reinterpret_cast<uchar*>(picture.pixels.get()), picture.width, picture.height, picture.width * 4,
        QImage::Format_RGB32, [](void* owned) { kit::ScrollStitcher::FreeRows()(static_cast<std::uint32_t*>(owned)); },
        picture.pixels.get());
    picture.pixels.release();
    return image;
}

} // namespace

ScrollCaptureController::ScrollCaptureController(Platform platform, QObject* parent)
    : QObject(parent), platform_(std::move(platform)) {
    connect(platform_.input.get(), &platform::ScrollInput::stopRequested, this, &ScrollCaptureController::stop);
}

ScrollCaptureController::~ScrollCaptureController() {
    if (running_) end();
}

void ScrollCaptureController::start(const SelectionResult& chosen) {
    if (running_) return;
    running_ = true;
    stopping_ = false;
    GlimpoUIState::shared().insert(surface);
    run(chosen, ++generation_);
}

void ScrollCaptureController::stop() {
    if (running_) stopping_ = true;
}

ScrollCaptureController::Target ScrollCaptureController::resolve(const SelectionResult& chosen) const {
    const DisplayLayout layout = platform_.displays->layout();
    Target target;
    if (chosen.kind() == SelectionResult::Kind::window) {
        // The client area, without the window manager's frame: what scrolls is in there.
        const auto clients = platform_.backend->clientWindows();
        const auto found = std::find_if(clients.begin(), clients.end(),
                                        [&](const platform::ClientWindow& c) { return c.id == chosen.windowNumber(); });
        if (found == clients.end()) throw ScreenCaptureError::windowNotFound();
        const DisplayInfo* display = layout.screenContaining(layout.globalFromRoot(QPointF(found->geometry.center())));
        if (!display) throw ScreenCaptureError::displayNotFound();
        target.display = *display;
        target.rootArea = found->geometry.intersected(display->pixels);
        target.window = true;
    } else {
        const DisplayInfo* display = layout.screen(chosen.displayID());
        if (!display) throw ScreenCaptureError::displayNotFound();
        const kit::Rect bounds = kit::Rect::make(0, 0, display->frame.width(), display->frame.height());
        const kit::Rect pixels = kit::SelectionGeometry::pixelRect(chosen.rect().intersection(bounds), display->scale);
        target.display = *display;
        target.rootArea = QRect(int(pixels.minX()), int(pixels.minY()), int(pixels.width()), int(pixels.height()))
                              .translated(display->pixels.topLeft())
                              .intersected(display->pixels);
    }
    if (target.rootArea.width() < smallestSide || target.rootArea.height() < smallestSide)
        throw kit::Error(QCoreApplication::translate("ScrollCaptureController", "The area is too small for a scrolling capture.").toStdString());
    return target;
}

QCoro::Task<void> ScrollCaptureController::run(SelectionResult chosen, std::uint64_t generation) {
    QPointer<ScrollCaptureController> self(this);
    std::exception_ptr failure;
    std::optional<CapturedImage> picture;
    try {
        const Target target = resolve(chosen);
        // The overlay's frozen frame is of no use here: frames are taken live.
        chosen = SelectionResult::cancelled();
        std::unique_ptr<ScreenFrames> frames = platform_.makeFrames(target.display);
        co_await frames->open(target.rootArea);
        if (!self || generation != generation_) co_return;
        picture = co_await capture(*frames, target, generation);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || generation != generation_) co_return;
    end();
    if (failure) {
        emit failed(failure);
    } else if (picture) {
        emit finished(*picture);
    }
}

QCoro::Task<std::optional<CapturedImage>> ScrollCaptureController::capture(ScreenFrames& frames, Target target,
                                                                            std::uint64_t generation) {
    QPointer<ScrollCaptureController> self(this);
    const auto gone = [&] { return !self || generation != generation_; };
    platform::ScrollInput& input = *platform_.input;
    if (!input.listenForStop()) log_.notice("scroll stop gestures unavailable");
    const bool scrolls = input.canScroll();
    const HiddenWindows hidden = platform_.ownWindows ? platform_.ownWindows->hideOver(target.rootArea) : HiddenWindows();

    if (!panel_) {
        panel_ = std::make_unique<ScrollCapturePanel>();
        connect(panel_.get(), &ScrollCapturePanel::stopClicked, this, &ScrollCaptureController::stop);
    }
    ScrollCapturePanel::Mode mode = scrolls ? ScrollCapturePanel::Mode::scrolling : ScrollCapturePanel::Mode::byHand;
    panel_->setMode(mode);
    if (!panel_->showBeside(target.rootArea, platform_.displays->layout())) log_.notice("scroll panel not shown reason=noRoom");

    // The wheel turns at the area's centre; in between, the pointer waits where it shows nothing
    // of the area (a hovered row would be in the frames).
    const QPoint centre = target.rootArea.center();
    pointerAtStart_ = platform_.backend->pointer();
    QPoint resting = target.rootArea.topLeft() - QPoint(2, 2);
    if (const auto frame = panel_->rootFrame()) {
        resting = frame->center();
    } else if (pointerAtStart_ && !target.rootArea.contains(*pointerAtStart_)) {
        resting = *pointerAtStart_;
    }
    if (scrolls && pointerAtStart_ && target.rootArea.contains(*pointerAtStart_)) {
        input.movePointer(resting);
        movedPointer_ = true;
    }

    QElapsedTimer clock;
    clock.start();
    co_await settle(frames, firstFrameLimit);
    if (gone()) co_return std::nullopt;
    QImage frame = co_await frames.grab();
    if (gone()) co_return std::nullopt;
    if (frame.isNull()) throw kit::Error(QCoreApplication::translate("ScrollCaptureController", "Glimpo can't read the screen.").toStdString());
    frame = frame.convertToFormat(QImage::Format_RGB32);
    kit::ScrollStitcher stitcher(frame.width(), frame.height(), heightLimit);
    stitcher.add(rowsOf(frame));
    panel_->showStrip(stitcher.rows(), stitcher.width(), stitcher.height(), 0);
    log_.info("scroll capture started width={} height={} scrolls={}", frame.width(), frame.height(), scrolls);

    int notches = 1, next = 1, joined = 0, misses = 0, framesTaken = 1;
    double perNotch = 0;
    bool shortStep = false;
    double slowestStitch = 0;
    while (!stopping_ && misses < missLimit) {
        // What to do before the next frame: turn the wheel down (positive), back up after an
        // overshoot (negative), or nothing and take the frame again.
        if (mode == ScrollCapturePanel::Mode::scrolling && movedPointer_ && userPointsAt(target.rootArea)) {
            // The user took the pointer back to the area: from here they scroll it themselves.
            mode = ScrollCapturePanel::Mode::byHand;
            panel_->setMode(mode);
            movedPointer_ = false;
            log_.info("scroll capture continues by hand");
        }
        const int sent = mode == ScrollCapturePanel::Mode::scrolling ? next : 0;
        if (sent != 0) {
            input.scroll(centre, sent, resting);
            movedPointer_ = true;
        }
        const std::optional<std::chrono::milliseconds> wait =
            sent != 0 ? std::optional(std::chrono::duration_cast<std::chrono::milliseconds>(
                            shortStep ? endProbeLimit : respondLimit))
            : mode == ScrollCapturePanel::Mode::scrolling ? std::optional(std::chrono::milliseconds(0))
                                                          : std::nullopt;
        const bool changed = co_await settle(frames, wait);
        if (gone()) co_return std::nullopt;
        if (stopping_) break;
        if (sent > 0 && !changed) {
            // The wheel moved nothing: the end, or a program that doesn't scroll by it.
            if (joined > 0) break;
            mode = ScrollCapturePanel::Mode::byHandNothingScrolled;
            panel_->setMode(mode);
            continue;
        }

        frame = co_await frames.grab();
        if (gone()) co_return std::nullopt;
        frame = frame.convertToFormat(QImage::Format_RGB32);
        ++framesTaken;
        QElapsedTimer stitchClock;
        stitchClock.start();
        const kit::ScrollStitcher::Step step = stitcher.add(rowsOf(frame));
        const double stitchMs = double(stitchClock.nsecsElapsed()) / 1e6;
        slowestStitch = std::max(slowestStitch, stitchMs);
        log_.debug("scroll step outcome={} moved={} notches={} stitch_ms={:.1f} at_ms={}", outcomeName(step.outcome),
                   step.moved, sent, stitchMs, clock.elapsed());

        next = notches;
        switch (step.outcome) {
        case Outcome::added:
        case Outcome::full: {
            ++joined;
            misses = 0;
            panel_->showStrip(stitcher.rows(), stitcher.width(), stitcher.height(),
                              std::max(0, stitcher.height() - frame.height()));
            if (sent > 0) {
                const double moved = double(step.moved) / sent;
                // Less than the wheel moves elsewhere: most likely the end, which a quick turn
                // more tells for sure.
                shortStep = perNotch > 0 && moved < shortShare * perNotch;
                if (!shortStep) {
                    // Steps follow what one notch moves here: most of the area, never all of it.
                    perNotch = moved;
                    const int moving = frame.height() - stitcher.fixedTop() - stitcher.fixedBottom();
                    notches = std::clamp(int(stepShare * moving / perNotch), 1, mostNotches);
                    next = notches;
                }
            }
            break;
        }
        case Outcome::unchanged:
            // The wheel changed something in the area, but not the content: the end, or a
            // program that doesn't scroll by the wheel.
            if (sent > 0 && joined > 0) {
                stopping_ = true;
            } else if (sent > 0) {
                mode = ScrollCapturePanel::Mode::byHandNothingScrolled;
                panel_->setMode(mode);
            }
            break;
        case Outcome::behind:
        case Outcome::started:
            break;
        case Outcome::ambiguous:
            ++misses;
            // Taken again once more as it is; then one notch further, which shows something new.
            next = sent != 0 ? 0 : 1;
            break;
        case Outcome::unmatched:
            ++misses;
            // Too far for the frames to overlap: back, and smaller steps from there.
            if (sent > 0) {
                next = -sent;
                notches = std::max(1, sent / 2);
            }
            break;
        }
        if (step.outcome == Outcome::full) break;
    }

    log_.info("scroll capture finished frames={} joined={} height={} ms={} slowest_stitch_ms={:.1f}", framesTaken,
              joined, stitcher.height(), clock.elapsed(), slowestStitch);
    const double pixelsPerPoint = target.display.scale * frame.width() / double(target.rootArea.width());
    QImage image = imageOf(stitcher.take(target.window));
    if (image.isNull()) throw kit::Error(QCoreApplication::translate("ScrollCaptureController", "Nothing was captured.").toStdString());
    const kit::Size points{image.width() / pixelsPerPoint, image.height() / pixelsPerPoint};
    co_return CapturedImage{std::move(image), points};
}

QCoro::Task<bool> ScrollCaptureController::settle(ScreenFrames& frames,
                                                  std::optional<std::chrono::milliseconds> firstChangeLimit) {
    QPointer<ScrollCaptureController> self(this);
    QElapsedTimer clock;
    clock.start();
    std::optional<qint64> firstChange, lastChange;
    while (!stopping_) {
        const bool changed = co_await frames.changed();
        if (!self) co_return false;
        const qint64 now = clock.elapsed();
        if (changed) {
            if (!firstChange) firstChange = now;
            lastChange = now;
        }
        if (lastChange && (now - *lastChange >= quietPeriod.count() || now - *firstChange >= settleLimit.count()))
            co_return true;
        if (!lastChange && firstChangeLimit && now >= firstChangeLimit->count()) co_return false;
        co_await QCoro::sleepFor(pollInterval);
        if (!self) co_return false;
    }
    co_return false;
}

bool ScrollCaptureController::userPointsAt(const QRect& rootArea) const {
    const std::optional<QPoint> pointer = platform_.backend->pointer();
    return pointer && rootArea.contains(*pointer);
}

void ScrollCaptureController::end() {
    running_ = false;
    stopping_ = false;
    if (panel_) panel_->orderOut();
    platform_.input->stopListening();
    if (movedPointer_ && pointerAtStart_) platform_.input->movePointer(*pointerAtStart_);
    movedPointer_ = false;
    pointerAtStart_.reset();
    GlimpoUIState::shared().remove(surface);
}
