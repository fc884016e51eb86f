#include "kit/ThumbnailLayout.h"

#include <algorithm>
#include <cmath>

namespace kit::ThumbnailLayout {

namespace {

// How many thumbnails of `length` with their spacing fit into `room`; at least one.
int fitting(double room, double length) {
    const double count = std::floor((room - 2 * inset + spacing) / (length + spacing));
    return std::isfinite(count) && count > 1 ? static_cast<int>(std::min(count, 1e6)) : 1;
}

} // namespace

std::vector<Rect> frames(int count, const Rect& visibleFrame) {
    std::vector<Rect> result;
    if (count <= 0) return result;
    result.reserve(static_cast<std::size_t>(count));
    const int rows = fitting(visibleFrame.height(), size.height);
    const int columns = fitting(visibleFrame.width(), size.width);
    const int places = rows * columns;
    const double left = visibleFrame.minX() + inset;
    const double bottom = visibleFrame.minY() + inset;
    // The last place a shifted thumbnail may take and still lie inside the visible area.
    const double right = std::max(left, visibleFrame.maxX() - size.width);
    const double top = std::max(bottom, visibleFrame.maxY() - size.height);
    for (int i = 0; i < count; ++i) {
        const int place = i % places;
        const double shift = (i / places) * overflowStep;
        const double x = left + (place / rows) * (size.width + spacing) + shift;
        const double y = bottom + (place % rows) * (size.height + spacing) + shift;
        result.push_back(Rect::make(std::min(x, right), std::min(y, top), size.width, size.height));
    }
    return result;
}

Rect panelFrame(const Rect& thumbnail) {
    return thumbnail.insetBy(-bubbleMargin, -bubbleMargin);
}

} // namespace kit::ThumbnailLayout
