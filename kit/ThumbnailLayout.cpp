#include "kit/ThumbnailLayout.h"

namespace kit::ThumbnailLayout {

std::vector<Rect> frames(int count, const Rect& visibleFrame) {
    std::vector<Rect> result;
    if (count <= 0) return result;
    result.reserve(static_cast<std::size_t>(count));
    const double x = visibleFrame.minX() + inset;
    const double bottom = visibleFrame.minY() + inset;
    for (int i = 0; i < count; ++i) {
        result.push_back(Rect::make(x, bottom + i * (size.height + spacing), size.width, size.height));
    }
    return result;
}

Rect panelFrame(const Rect& thumbnail) {
    return thumbnail.insetBy(-bubbleMargin, -bubbleMargin);
}

} // namespace kit::ThumbnailLayout
