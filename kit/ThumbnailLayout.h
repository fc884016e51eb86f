#pragma once
// Where the floating thumbnails of fresh captures sit: a stack growing upwards from the
// lower-left corner of the visible screen area. Global coordinates, y up, in points.

#include <vector>

#include "kit/Geometry.h"

namespace kit::ThumbnailLayout {

inline constexpr Size size{240, 150};
inline constexpr double inset = 20;
inline constexpr double spacing = 10;
// Room the panel leaves around its thumbnail on every side, for the close button.
inline constexpr double bubbleMargin = 10;

// `count` thumbnail rectangles, the first at the bottom. Nothing is clipped or dropped when the
// stack outgrows `visibleFrame`. A count below 1 gives none.
std::vector<Rect> frames(int count, const Rect& visibleFrame);

// The panel holding `thumbnail`: bubbleMargin larger on every side.
Rect panelFrame(const Rect& thumbnail);

} // namespace kit::ThumbnailLayout
