#pragma once
// Rules of a dragged selection, of finding the display under a point, and of putting windows in
// front-to-back order. Global coordinates are points with the origin at the bottom-left of the
// primary display, y up; display-local ones have the origin at a display's top-left, y down.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "kit/Geometry.h"

namespace kit {

namespace SelectionGeometry {

inline constexpr double minimumSide = 4.0;

// The rectangle spanned by a drag from `start` to `current`, clipped to `bounds`; null when it
// lies wholly outside them.
Rect normalizedRect(Point start, Point current, const Rect& bounds);

// Not null, finite, and both sides at least minimumSide.
bool isAcceptable(const Rect& r);

// The smallest whole-pixel rectangle covering `r` scaled by `scale`. Null stays null.
Rect pixelRect(const Rect& r, double scale);

// `r` (global) relative to the top-left of the display whose global frame is `screenFrame`;
// neither clipped nor rounded. Null when either rectangle is null.
Rect displayLocalRect(const Rect& r, const Rect& screenFrame);

} // namespace SelectionGeometry

namespace ScreenLookup {

// The first frame that holds `p`, edges included, so a point on a shared edge belongs to the
// display listed first. None for an empty list or a NaN coordinate.
std::optional<std::size_t> index(Point p, const std::vector<Rect>& frames);

} // namespace ScreenLookup

namespace WindowOrder {

// `windows` sorted by their first position in `stacking` (frontmost first); windows the
// stacking list lacks go last, in their input order. Every input element comes back once.
std::vector<std::uint32_t> frontToBack(const std::vector<std::uint32_t>& windows,
                                       const std::vector<std::uint32_t>& stacking);

} // namespace WindowOrder

} // namespace kit
