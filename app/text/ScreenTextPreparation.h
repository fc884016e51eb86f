#pragma once
// Makes small screen text readable for the recogniser: grey, dark text on a light background
// whatever the theme, the background stretched to white and the ink to black, scaled so the
// text's x-height lands where the model reads best, and a border in the background colour.
// Also maps the recogniser's boxes back onto the captured image.

#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

#include "kit/Geometry.h"

struct PreparedPicture {
    // 8-bit grey, border included.
    QImage picture;
    // Prepared pixels per captured pixel.
    double scale = 1;
    // Pixels of border on each side of the prepared picture.
    int border = 0;
    QSize source;
    int dotsPerInch = 96;

    // `box` (prepared pixels, y down) as a rectangle of the captured image normalised to 0..1,
    // origin at the bottom left, y up.
    kit::Rect normalisedBox(const QRect& box) const;
};

namespace ScreenTextPreparation {

// The x-height, in pixels, at which the LSTM model read the rendered screen-text set best, and
// fast: below it errors double, above it time grows with no gain (bench/run-text-bench.sh --sweep).
inline constexpr double bestXHeight = 12;

PreparedPicture prepare(const QImage& image, double targetXHeight = bestXHeight);

// The typical x-height of dark text on a light grey picture: the median height of its ink
// blobs, in pixels; 0 when there is no ink.
double xHeight(const QImage& grey);

// A prepared picture's ink: darker than halfway from the page to the ink.
inline constexpr int inkLevel = 128;
// A quarter of the way from the page to the ink: lighter than ink, so that a thin stroke drawn
// across two grey pixel rows still counts.
inline constexpr int faintInkLevel = 192;

// The bounding boxes of the separate blobs of ink (levels below `threshold`, touching diagonally
// included) of a prepared picture within `region`.
std::vector<QRect> inkBlobs(const QImage& grey, const QRect& region, int threshold = inkLevel);

// A recogniser's box (pixels, y down) as the whole pixels it touches.
QRect pixelBox(const kit::Rect& box);

// A line's box with room above and below: underscores lie below the letters, and the
// recogniser's line box may stop short of them.
QRect aroundLine(const QRect& line);

// The ink blobs within `region`, and the flat strokes beside them too faint for ink: a thin
// underscore that falls between two pixel rows is drawn as two light ones.
std::vector<QRect> lineInk(const QImage& grey, const QRect& region);

} // namespace ScreenTextPreparation
