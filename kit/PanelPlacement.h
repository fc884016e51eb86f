#pragma once
// Where one of Glimpo's floating panels (a notice, the stack of thumbnails, the bar) goes while a
// recording runs, so that it never covers the recorded area and never has to be kept out of the
// movie. Global coordinates, y up, in points.

#include <optional>
#include <vector>

#include "kit/Geometry.h"

namespace kit::PanelPlacement {

// Room kept between a panel and the recorded area or a display's edge.
inline constexpr double margin = 20;

// `wanted` when it covers no part of `kept`. Otherwise the nearest place on the first display
// that covers none of it (beside the area, or in a corner), else the same on the next display
// starting from the place `wanted` has on its own; none when no display has room. `displays`
// holds the frames to stay within, the one `wanted` lies on first.
std::optional<Rect> clearOf(const Rect& wanted, const Rect& kept, const std::vector<Rect>& displays);

} // namespace kit::PanelPlacement
