#pragma once
// What one overlay panel shows for the selection's current state: the hole left undimmed in area
// mode, the highlighted window in window mode, and the label with coordinates, the selection's
// size in pixels or the window's name (for a recording, after a record glyph and "Record"). Pure, so the rules can be checked without painting.
// Rectangles are in the panel's own points: origin at its display's top-left, y down.

#include <functional>
#include <optional>
#include <string>

#include <QRectF>
#include <QSizeF>

#include "app/capture/CapturableWindow.h"
#include "app/capture/DisplayService.h"
#include "app/capture/SelectionOverlayController.h"
#include "kit/Geometry.h"

namespace OverlayDrawing {

// The controller's state, in global coordinates.
struct State {
    SelectionMode mode = SelectionMode::area;
    std::optional<kit::Rect> selection;
    kit::Point pointer;
    std::optional<CapturableWindow> hoveredWindow;
    SelectionPurpose purpose = SelectionPurpose::capture;
};

struct Label {
    std::string text;
    QRectF box;
    // Where the text's top-left goes.
    QPointF textOrigin;
    // The record glyph's circle, before the text; none but for a recording.
    std::optional<QRectF> glyph;

    friend bool operator==(const Label&, const Label&) = default;
};

struct Scene {
    SelectionMode mode = SelectionMode::area;
    // Area mode: the selection's part to leave undimmed.
    std::optional<QRectF> hole;
    // Window mode: the hovered window.
    std::optional<QRectF> highlight;
    std::optional<Label> label;

    friend bool operator==(const Scene&, const Scene&) = default;
};

using Measure = std::function<QSizeF(const std::string&)>;

inline constexpr double dimAlpha = 0.25;
inline constexpr double windowModeDimAlpha = 0.1;
inline constexpr double highlightAlpha = 0.25;
inline constexpr double labelAlpha = 0.75;
inline constexpr double labelFontSize = 11;
inline constexpr double labelCornerRadius = 4;
inline constexpr double recordGlyphDiameter = 8;
inline constexpr double recordGlyphGap = 5;

Scene scene(const State& state, const DisplayInfo& display, const Measure& measure);

// The pointer in pixels from the display's top-left; none when the pointer is off this display
// (its top and right edges are outside).
std::optional<std::string> coordinatesText(kit::Point pointer, const DisplayInfo& display);
// The local rectangle's size in whole pixels, "W × H".
std::string sizeText(const QRectF& local, double scale);
// The application's name, then " — " and the title when there is one.
std::string windowLabel(const CapturableWindow& window);
// Below and to the right of `anchor`, kept 4 points inside `bounds`; with room for the record
// glyph before the text when asked.
Label label(std::string text, QSizeF textSize, QPointF anchor, QSizeF bounds, bool recordGlyph = false);

} // namespace OverlayDrawing
