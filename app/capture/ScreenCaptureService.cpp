#include "app/capture/ScreenCaptureService.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <qcoro/qcorotimer.h>

#include "app/capture/ScreenCaptureError.h"
#include "kit/Selection.h"

namespace {

std::string text(const char* source) {
    return QCoreApplication::translate("ScreenCaptureService", source).toStdString();
}

using namespace std::chrono_literals;
using platform::ClientWindow;
using platform::WindowType;

// How long hidden windows may take to leave the screen (the window manager takes the frames down
// after them).
constexpr auto unmapLimit = 150ms;
// How long the windows beneath may take to draw again, once uncovered: a couple of frames.
constexpr auto redrawLimit = 40ms;
// The uncovered area drawn over and then left alone for this long counts as redrawn.
constexpr auto quietPeriod = 6ms;
constexpr auto pollInterval = 2ms;

// Windows without a type are normal, or dialogs when transient; so are windows whose types are
// all unknown.
bool isApplicationWindow(const ClientWindow& window) {
    WindowType type = window.transient ? WindowType::dialog : WindowType::normal;
    for (WindowType t : window.types) {
        if (t != WindowType::other) {
            type = t;
            break;
        }
    }
    return type == WindowType::normal || type == WindowType::dialog;
}

QRect frameOf(const ClientWindow& window) {
    const auto& e = window.extents;
    return window.geometry.adjusted(-e.left, -e.top, e.right, e.bottom);
}

QRect wholePixels(const kit::Rect& r) {
    return {static_cast<int>(r.minX()), static_cast<int>(r.minY()), static_cast<int>(r.width()),
            static_cast<int>(r.height())};
}

// The pixels of `rootArea` as the frozen displays show them; transparent where no display is.
QImage cutFrozen(const FrozenScreen& frozen, const QRect& rootArea) {
    QImage image(rootArea.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const DisplayInfo& display : frozen.layout.displays()) {
        const auto found = frozen.images.find(display.id);
        if (found == frozen.images.end()) continue;
        const QRect common = rootArea.intersected(display.pixels);
        if (common.isEmpty()) continue;
        painter.drawImage(common.topLeft() - rootArea.topLeft(), found->second,
                          common.translated(-display.pixels.topLeft()));
    }
    return image;
}

} // namespace

ScreenCaptureService::ScreenCaptureService(std::shared_ptr<platform::CaptureBackend> backend,
                                           std::shared_ptr<const DisplayService> displays,
                                           std::unique_ptr<OwnWindows> ownWindows)
    : backend_(std::move(backend)), ownWindows_(std::move(ownWindows)), displays_(std::move(displays)) {}

ScreenCaptureService::~ScreenCaptureService() = default;

QCoro::Task<CapturedImage> ScreenCaptureService::captureRect(kit::Rect rect, std::uint32_t displayID,
                                                             std::shared_ptr<const FrozenScreen> frozen) {
    const DisplayLayout now = displays_->layout();
    const DisplayInfo* live = now.screen(displayID);
    if (!live) throw ScreenCaptureError::displayNotFound();
    const DisplayInfo* frozenDisplay = frozen ? frozen->layout.screen(displayID) : nullptr;
    const bool fromFrozen = frozenDisplay && frozen->images.count(displayID);
    const DisplayInfo& display = fromFrozen ? *frozenDisplay : *live;

    const kit::Rect bounds = kit::Rect::make(0, 0, display.frame.width(), display.frame.height());
    const kit::Rect area = rect.intersection(bounds);
    if (area.isEmpty()) throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenCaptureService", "The selected area is outside the screen.")));
    const QRect pixels = wholePixels(kit::SelectionGeometry::pixelRect(area, display.scale));

    QImage image;
    if (fromFrozen) {
        const QImage& whole = frozen->images.at(displayID);
        // The whole display shares the frame's pixels instead of copying them.
        image = pixels == whole.rect() ? whole : whole.copy(pixels);
    } else {
        image = co_await grabLive(pixels.translated(display.pixels.topLeft()));
    }
    log_.info("captured area width={} height={}", image.width(), image.height());
    co_return CapturedImage{std::move(image), area.size};
}

QCoro::Task<CapturedImage> ScreenCaptureService::captureWindow(std::uint32_t windowNumber,
                                                               std::shared_ptr<const FrozenScreen> frozen) {
    const DisplayLayout now = displays_->layout();
    const auto windows = listWindows(now);
    const auto found = std::find_if(windows.begin(), windows.end(),
                                    [windowNumber](const CapturableWindow& w) { return w.id == windowNumber; });
    if (found == windows.end()) throw ScreenCaptureError::windowNotFound();

    kit::Rect frame = found->frame;
    QImage image;
    if (frozen) {
        // Where the user saw it, which is where the frozen pixels have it.
        for (const auto& seen : frozen->windows)
            if (seen.id == windowNumber) frame = seen.frame;
        image = cutFrozen(*frozen, frozen->layout.rootFromGlobal(frame).toAlignedRect());
    } else {
        image = co_await grabLive(now.rootFromGlobal(frame).toAlignedRect());
    }
    log_.info("captured window width={} height={}", image.width(), image.height());
    co_return CapturedImage{std::move(image), frame.size};
}

QCoro::Task<CapturedImage> ScreenCaptureService::captureDisplay(kit::Point globalPoint) {
    const DisplayLayout now = displays_->layout();
    const DisplayInfo* display = now.screenContaining(globalPoint);
    if (!display) display = now.mainDisplay();
    if (!display) throw ScreenCaptureError::displayNotFound();
    const kit::Rect whole = kit::Rect::make(0, 0, display->frame.width(), display->frame.height());
    co_return co_await captureRect(whole, display->id);
}

QCoro::Task<std::vector<CapturableWindow>> ScreenCaptureService::windows() {
    co_return listWindows(displays_->layout());
}

std::vector<CapturableWindow> ScreenCaptureService::listWindows(const DisplayLayout& layout) const {
    const std::vector<ClientWindow> clients = backend_->clientWindows();
    const std::set<std::uint32_t> own = ownWindows_->ids();

    std::vector<std::uint32_t> kept;
    std::unordered_map<std::uint32_t, const ClientWindow*> byNumber;
    for (const ClientWindow& client : clients) {
        if (!isApplicationWindow(client) || !client.viewable || client.hidden || own.count(client.id)) continue;
        const kit::Rect frame = layout.globalFromRoot(QRectF(frameOf(client)));
        if (!(frame.width() >= minimumWindowSide && frame.height() >= minimumWindowSide)) continue;
        kept.push_back(client.id);
        byNumber.emplace(client.id, &client);
    }

    std::vector<std::uint32_t> stacking = backend_->stackingBottomToTop();
    std::reverse(stacking.begin(), stacking.end());

    std::vector<CapturableWindow> result;
    for (std::uint32_t number : kit::WindowOrder::frontToBack(kept, stacking)) {
        const ClientWindow& client = *byNumber.at(number);
        result.push_back({number, layout.globalFromRoot(QRectF(frameOf(client))), client.title, client.className});
    }
    return result;
}

QCoro::Task<std::shared_ptr<FrozenScreen>> ScreenCaptureService::freeze(DisplayLayout layout) {
    QRect everything;
    for (const DisplayInfo& display : layout.displays()) everything |= display.pixels;
    HiddenWindows hidden = co_await hideOwnWindowsOver(everything);
    auto frozen = std::make_shared<FrozenScreen>();
    std::vector<QRect> areas;
    for (const DisplayInfo& display : layout.displays()) areas.push_back(display.pixels);
    std::vector<QImage> images = co_await backend_->grabAreas(areas);
    for (std::size_t i = 0; i < images.size(); ++i) frozen->images[layout.displays()[i].id] = std::move(images[i]);
    frozen->layout = std::move(layout);
    co_return frozen;
}

QCoro::Task<QImage> ScreenCaptureService::grabLive(QRect rootArea) {
    HiddenWindows hidden = co_await hideOwnWindowsOver(rootArea);
    std::vector<QRect> areas(1, rootArea);
    std::vector<QImage> images = co_await backend_->grabAreas(std::move(areas));
    co_return std::move(images.front());
}

QCoro::Task<HiddenWindows> ScreenCaptureService::hideOwnWindowsOver(QRect rootArea) {
    // Watching starts before hiding so that no redraw of the windows beneath goes unseen.
    std::unique_ptr<platform::DamageWatch> watch = backend_->watchDamage();
    HiddenWindows hidden = ownWindows_->hideOver(rootArea);
    if (hidden.empty()) co_return hidden;

    QElapsedTimer clock;
    clock.start();
    const auto elapsed = [&clock] { return std::chrono::milliseconds(clock.elapsed()); };
    while (elapsed() < unmapLimit) {
        const bool showing = std::any_of(hidden.ids().begin(), hidden.ids().end(),
                                         [this](std::uint32_t id) { return backend_->isShowing(id); });
        if (!showing) break;
        co_await QCoro::sleepFor(pollInterval);
    }
    if (!watch) {
        co_await QCoro::sleepFor(redrawLimit);
        co_return hidden;
    }
    // Only drawing inside what the windows covered counts: whatever moves elsewhere on the screen
    // is grabbed as it is anyway.
    const QRegion uncovered = hidden.area();
    QRegion redrawn;
    const auto uncoveredAt = elapsed();
    auto lastDrawing = uncoveredAt;
    while (elapsed() - uncoveredAt < redrawLimit) {
        for (const QRect& drawn : watch->takeDamage()) {
            if (!uncovered.intersects(drawn)) continue;
            redrawn += drawn;
            lastDrawing = elapsed();
        }
        if ((uncovered - redrawn).isEmpty() && elapsed() - lastDrawing >= quietPeriod) break;
        co_await QCoro::sleepFor(pollInterval);
    }
    co_return hidden;
}
