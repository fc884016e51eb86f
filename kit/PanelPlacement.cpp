#include "kit/PanelPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kit::PanelPlacement {

namespace {

bool overlaps(const Rect& a, const Rect& b) {
    const Rect common = a.intersection(b);
    return !common.isNull() && common.width() > 0 && common.height() > 0;
}

bool within(const Rect& inner, const Rect& outer) {
    return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() && inner.minY() >= outer.minY() &&
           inner.maxY() <= outer.maxY();
}

// Shifted the least distance that puts it inside `display`, edges kept clear where it fits.
Rect inside(const Rect& r, const Rect& display) {
    const auto axis = [](double low, double length, double min, double max) {
        if (length + 2 * margin <= max - min) return std::clamp(low, min + margin, max - margin - length);
        return std::clamp(low, min, std::max(min, max - length));
    };
    return Rect::make(axis(r.minX(), r.width(), display.minX(), display.maxX()),
                      axis(r.minY(), r.height(), display.minY(), display.maxY()), r.width(), r.height());
}

double distance(const Rect& a, const Rect& b) { return std::hypot(a.midX() - b.midX(), a.midY() - b.midY()); }

} // namespace

std::optional<Rect> clearOf(const Rect& wanted, const Rect& kept, const std::vector<Rect>& displays) {
    if (!overlaps(wanted, kept) || displays.empty()) return wanted;
    const Rect& home = displays.front();
    for (const Rect& display : displays) {
        // The place `wanted` has on its own display, carried over to this one.
        const double fx = home.width() > 0 ? (wanted.midX() - home.minX()) / home.width() : 0.5;
        const double fy = home.height() > 0 ? (wanted.midY() - home.minY()) / home.height() : 0.5;
        const double w = wanted.width(), h = wanted.height();
        const Rect start = Rect::make(display.minX() + fx * display.width() - w / 2,
                                      display.minY() + fy * display.height() - h / 2, w, h);
        const Rect candidates[] = {
            inside(start, display),
            inside(Rect::make(kept.minX() - margin - w, start.minY(), w, h), display),
            inside(Rect::make(kept.maxX() + margin, start.minY(), w, h), display),
            inside(Rect::make(start.minX(), kept.minY() - margin - h, w, h), display),
            inside(Rect::make(start.minX(), kept.maxY() + margin, w, h), display),
            inside(Rect::make(display.minX(), display.minY(), w, h), display),
            inside(Rect::make(display.maxX() - w, display.minY(), w, h), display),
            inside(Rect::make(display.minX(), display.maxY() - h, w, h), display),
            inside(Rect::make(display.maxX() - w, display.maxY() - h, w, h), display),
        };
        std::optional<Rect> best;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (const Rect& candidate : candidates) {
            if (!within(candidate, display) || overlaps(candidate, kept)) continue;
            const double d = distance(candidate, start);
            if (d < bestDistance) {
                best = candidate;
                bestDistance = d;
            }
        }
        if (best) return best;
    }
    return std::nullopt;
}

} // namespace kit::PanelPlacement
