#include "kit/Selection.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace kit {

namespace SelectionGeometry {

Rect normalizedRect(Point start, Point current, const Rect& bounds) {
    const Rect dragged = Rect::make(std::min(start.x, current.x), std::min(start.y, current.y),
                                    std::abs(current.x - start.x), std::abs(current.y - start.y));
    return dragged.intersection(bounds);
}

bool isAcceptable(const Rect& r) {
    if (r.isNull()) return false;
    // An unbounded selection cannot be captured; rejecting it here keeps infinities away from
    // the pixel conversions downstream.
    if (!std::isfinite(r.minX()) || !std::isfinite(r.minY()) || !std::isfinite(r.maxX()) ||
        !std::isfinite(r.maxY())) {
        return false;
    }
    return r.width() >= minimumSide && r.height() >= minimumSide;
}

Rect pixelRect(const Rect& r, double scale) {
    if (r.isNull()) return Rect::null();
    return Rect::make(r.minX() * scale, r.minY() * scale, r.width() * scale, r.height() * scale)
        .integral();
}

Rect displayLocalRect(const Rect& r, const Rect& screenFrame) {
    if (r.isNull() || screenFrame.isNull()) return Rect::null();
    return Rect::make(r.minX() - screenFrame.minX(), screenFrame.maxY() - r.maxY(), r.width(),
                      r.height());
}

} // namespace SelectionGeometry

namespace ScreenLookup {

std::optional<std::size_t> index(Point p, const std::vector<Rect>& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Rect& f = frames[i];
        // A null frame's edges are infinite and would claim a point at infinity.
        if (f.isNull()) continue;
        if (f.minX() <= p.x && p.x <= f.maxX() && f.minY() <= p.y && p.y <= f.maxY()) return i;
    }
    return std::nullopt;
}

} // namespace ScreenLookup

namespace WindowOrder {

std::vector<std::uint32_t> frontToBack(const std::vector<std::uint32_t>& windows,
                                       const std::vector<std::uint32_t>& stacking) {
    std::unordered_map<std::uint32_t, std::size_t> position;
    position.reserve(stacking.size());
    for (std::size_t i = 0; i < stacking.size(); ++i) position.emplace(stacking[i], i);

    struct Ranked {
        std::size_t rank;
        std::uint32_t window;
    };
    std::vector<Ranked> ranked;
    ranked.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto found = position.find(windows[i]);
        ranked.push_back({found != position.end() ? found->second : stacking.size() + i, windows[i]});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const Ranked& a, const Ranked& b) { return a.rank < b.rank; });

    std::vector<std::uint32_t> ordered;
    ordered.reserve(ranked.size());
    for (const Ranked& r : ranked) ordered.push_back(r.window);
    return ordered;
}

} // namespace WindowOrder

} // namespace kit
