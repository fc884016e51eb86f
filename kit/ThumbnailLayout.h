#pragma once
// Where the floating thumbnails of fresh captures sit: a column growing upwards from the
// lower-left corner of the visible screen area, then further columns to its right, so that every
// thumbnail stays on the display. Global coordinates, y up, in points.

#include <vector>

#include "kit/Geometry.h"

namespace kit::ThumbnailLayout {

inline constexpr Size size{240, 150};
inline constexpr double inset = 20;
inline constexpr double spacing = 10;
// Room the panel leaves around its thumbnail on every side, for the close button.
inline constexpr double bubbleMargin = 10;
// How far each round of thumbnails beyond what the display holds sits from the round before.
inline constexpr double overflowStep = 12;

// `count` thumbnail rectangles, the first at the bottom of the first column. A column holds as
// many as fit between the insets (at least one); the next one starts beside it. When every column
// that fits is full, the next round fills the same places again, shifted up and to the right by
// overflowStep but kept inside `visibleFrame` where it is large enough. A count below 1 gives none.
std::vector<Rect> frames(int count, const Rect& visibleFrame);

// The panel holding `thumbnail`: bubbleMargin larger on every side.
Rect panelFrame(const Rect& thumbnail);

} // namespace kit::ThumbnailLayout
