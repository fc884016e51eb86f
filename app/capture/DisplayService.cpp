#include "app/capture/DisplayService.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QScreen>

#include "app/platform/x11/XcbCaptureBackend.h"
#include "kit/Selection.h"

DisplayLayout::DisplayLayout(const std::vector<platform::Monitor>& monitors, double scale) : scale_(scale) {
    if (!(scale_ > 0) || !std::isfinite(scale_)) scale_ = 1;
    const platform::Monitor* primary = nullptr;
    for (const auto& m : monitors) {
        if (m.primary) {
            primary = &m;
            break;
        }
    }
    if (!primary && !monitors.empty()) primary = &monitors.front();
    if (primary) primary_ = primary->geometry;
    for (const auto& m : monitors) displays_.push_back({m.name, globalFromRoot(QRectF(m.geometry)), m.geometry, scale_});
    // The primary display first keeps the first-listed-wins rule of point lookups in step with
    // what the user calls the main display.
    if (primary) {
        for (std::size_t i = 0; i < displays_.size(); ++i) {
            if (displays_[i].id == primary->name && displays_[i].pixels == primary->geometry) {
                std::rotate(displays_.begin(), displays_.begin() + static_cast<std::ptrdiff_t>(i),
                            displays_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
                break;
            }
        }
    }
}

const DisplayInfo* DisplayLayout::screenContaining(kit::Point global) const {
    std::vector<kit::Rect> frames;
    frames.reserve(displays_.size());
    for (const auto& d : displays_) frames.push_back(d.frame);
    const auto index = kit::ScreenLookup::index(global, frames);
    return index ? &displays_[*index] : nullptr;
}

const DisplayInfo* DisplayLayout::screen(std::uint32_t id) const {
    for (const auto& d : displays_)
        if (d.id == id) return &d;
    return nullptr;
}

const DisplayInfo* DisplayLayout::mainDisplay() const {
    return displays_.empty() ? nullptr : &displays_.front();
}

kit::Point DisplayLayout::globalFromRoot(QPointF root) const {
    return {(root.x() - primary_.x()) / scale_, (primary_.y() + primary_.height() - root.y()) / scale_};
}

QPointF DisplayLayout::rootFromGlobal(kit::Point global) const {
    return {global.x * scale_ + primary_.x(), primary_.y() + primary_.height() - global.y * scale_};
}

kit::Rect DisplayLayout::globalFromRoot(const QRectF& root) const {
    const kit::Point bottomLeft = globalFromRoot(root.bottomLeft());
    return kit::Rect::make(bottomLeft.x, bottomLeft.y, root.width() / scale_, root.height() / scale_);
}

QRectF DisplayLayout::rootFromGlobal(const kit::Rect& global) const {
    const QPointF topLeft = rootFromGlobal(kit::Point{global.minX(), global.maxY()});
    return {topLeft, QSizeF(global.width() * scale_, global.height() * scale_)};
}

kit::Point DisplayLayout::localFromGlobal(const DisplayInfo& display, kit::Point global) {
    return {global.x - display.frame.minX(), display.frame.maxY() - global.y};
}

kit::Rect DisplayLayout::localFromGlobal(const DisplayInfo& display, const kit::Rect& global) {
    return kit::SelectionGeometry::displayLocalRect(global, display.frame);
}

kit::Point DisplayLayout::globalFromLocal(const DisplayInfo& display, kit::Point local) {
    return {display.frame.minX() + local.x, display.frame.maxY() - local.y};
}

DisplayService::DisplayService(std::shared_ptr<platform::CaptureBackend> backend, std::optional<double> scale)
    : backend_(std::move(backend)), scale_(scale) {}

DisplayLayout DisplayService::layout() const {
    const double scale = scale_ ? *scale_ : (qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
    return DisplayLayout(backend_->monitors(), scale);
}

kit::Point DisplayService::pointerLocation() const {
    const DisplayLayout now = layout();
    const auto root = backend_->pointer();
    return root ? now.globalFromRoot(QPointF(*root)) : kit::Point{0, 0};
}

namespace {

// X11 keeps no per-monitor work area, so a display's visible frame is its whole frame.
DisplayLocator::Screen screenOf(const DisplayInfo& display) {
    return {display.id, display.frame, display.frame};
}

} // namespace

std::optional<DisplayLocator::Screen> DisplayService::screenContaining(kit::Point globalPoint) const {
    const DisplayLayout now = layout();
    if (const DisplayInfo* d = now.screenContaining(globalPoint)) return screenOf(*d);
    return std::nullopt;
}

std::optional<DisplayLocator::Screen> DisplayService::mainScreen() const {
    const DisplayLayout now = layout();
    if (const DisplayInfo* d = now.mainDisplay()) return screenOf(*d);
    return std::nullopt;
}

std::vector<DisplayLocator::Screen> DisplayService::allScreens() const {
    const DisplayLayout now = layout();
    std::vector<Screen> screens;
    for (const DisplayInfo& display : now.displays()) screens.push_back(screenOf(display));
    return screens;
}

QRect DisplayService::toTopLeft(const kit::Rect& global) const {
    return widgetGeometry(layout().rootFromGlobal(global).toAlignedRect());
}

namespace {

struct ScreenMapping {
    QPoint origin;
    QRect native;
    double ratio = 1;
};

ScreenMapping mappingAt(const QPoint& nativePoint, bool pointIsNative) {
    ScreenMapping fallback;
    if (!qGuiApp) return fallback;
    const auto screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        const QRect logical = screen->geometry();
        const double ratio = screen->devicePixelRatio();
        const QRect native(logical.topLeft(), QSize(int(std::ceil(logical.width() * ratio)),
                                                    int(std::ceil(logical.height() * ratio))));
        ScreenMapping m{logical.topLeft(), native, ratio};
        if ((pointIsNative ? native : logical).contains(nativePoint)) return m;
        if (screen == QGuiApplication::primaryScreen()) fallback = m;
    }
    return fallback;
}

} // namespace

QRect DisplayService::widgetGeometry(const QRect& root) {
    const ScreenMapping m = mappingAt(root.topLeft(), true);
    const QPointF topLeft = QPointF(m.origin) + QPointF(root.topLeft() - m.origin) / m.ratio;
    return {QPoint(int(std::floor(topLeft.x())), int(std::floor(topLeft.y()))),
            QSize(int(std::ceil(root.width() / m.ratio)), int(std::ceil(root.height() / m.ratio)))};
}

QRect DisplayService::rootGeometry(const QRect& widget) {
    const ScreenMapping m = mappingAt(widget.topLeft(), false);
    const QPointF topLeft = QPointF(m.origin) + QPointF(widget.topLeft() - m.origin) * m.ratio;
    return {QPoint(int(std::lround(topLeft.x())), int(std::lround(topLeft.y()))),
            QSize(int(std::lround(widget.width() * m.ratio)), int(std::lround(widget.height() * m.ratio)))};
}
