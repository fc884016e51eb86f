#include "app/capture/OverlayDrawing.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include <QCoreApplication>

#include "kit/Selection.h"

namespace OverlayDrawing {

namespace {

QRectF toQt(const kit::Rect& r) { return {r.minX(), r.minY(), r.width(), r.height()}; }
kit::Rect toKit(const QRectF& r) { return kit::Rect::make(r.x(), r.y(), r.width(), r.height()); }

// Sharing some area with the display. Merely touching its edge is not enough: a window filling
// the display next door would otherwise get a sliver and a label here. A selection without area
// (mid-drag, a straight line) belongs where it starts.
bool meets(const kit::Rect& local, const DisplayInfo& display) {
    const kit::Rect bounds = kit::Rect::make(0, 0, display.frame.width(), display.frame.height());
    const kit::Rect common = local.intersection(bounds);
    if (common.isNull()) return false;
    if (!common.isEmpty()) return true;
    return local.isEmpty() && bounds.contains(local.origin);
}

} // namespace

std::optional<std::string> coordinatesText(kit::Point pointer, const DisplayInfo& display) {
    // Measured upwards from the display's bottom edge, so the top edge is the excluded one.
    const double x = pointer.x - display.frame.minX();
    const double up = pointer.y - display.frame.minY();
    const double width = display.frame.width();
    const double height = display.frame.height();
    if (!(x >= 0 && x < width && up >= 0 && up < height)) return std::nullopt;
    const auto px = static_cast<long long>(std::trunc(x * display.scale));
    const auto py = static_cast<long long>(std::trunc((height - up) * display.scale));
    return fmt::format("{}, {}", px, py);
}

std::string sizeText(const QRectF& local, double scale) {
    const kit::Rect pixels = kit::SelectionGeometry::pixelRect(toKit(local), scale);
    return fmt::format("{} \u00d7 {}", static_cast<long long>(pixels.width()), static_cast<long long>(pixels.height()));
}

std::string windowLabel(const CapturableWindow& window) {
    if (window.title.empty()) return window.appName;
    // Without WM_CLASS there is no application name: the title stands alone.
    if (window.appName.empty()) return window.title;
    return window.appName + " \u2014 " + window.title;
}

Label label(std::string text, QSizeF textSize, QPointF anchor, QSizeF bounds, bool recordGlyph) {
    const double glyphRoom = recordGlyph ? recordGlyphDiameter + recordGlyphGap : 0;
    const double width = textSize.width() + glyphRoom + 12;
    const double height = textSize.height() + 6;
    // 14 points right of the anchor, its top 12 points below it; when the box does not fit,
    // the right and top margins win.
    const double x = std::min(bounds.width() - width - 4, std::max(anchor.x() + 14, 4.0));
    const double y = std::max(4.0, std::min(anchor.y() + 12, bounds.height() - height - 4));
    Label result{std::move(text), QRectF(x, y, width, height), QPointF(x + 6 + glyphRoom, y + 3), std::nullopt};
    if (recordGlyph) {
        result.glyph = QRectF(x + 6, y + 3 + (textSize.height() - recordGlyphDiameter) / 2, recordGlyphDiameter,
                              recordGlyphDiameter);
    }
    return result;
}

Scene scene(const State& state, const DisplayInfo& display, const Measure& measure) {
    Scene result;
    result.mode = state.mode;
    const QSizeF bounds(display.frame.width(), display.frame.height());
    const kit::Point pointer = DisplayLayout::localFromGlobal(display, state.pointer);
    const QPointF anchor(pointer.x, pointer.y);

    if (state.mode == SelectionMode::window) {
        if (!state.hoveredWindow) return result;
        const kit::Rect frame = DisplayLayout::localFromGlobal(display, state.hoveredWindow->frame);
        if (!meets(frame, display)) return result;
        result.highlight = toQt(frame);
        std::string text = windowLabel(*state.hoveredWindow);
        const QSizeF size = measure(text);
        result.label = label(std::move(text), size, result.highlight->center(), bounds);
        return result;
    }

    if (state.selection) {
        const kit::Rect local = DisplayLayout::localFromGlobal(display, *state.selection);
        if (meets(local, display)) result.hole = toQt(local);
    }
    std::optional<std::string> text;
    if (result.hole) {
        text = sizeText(*result.hole, display.scale);
    } else {
        text = coordinatesText(state.pointer, display);
    }
    if (!text) return result;
    // The mode is said before the numbers, so a recording's overlay is never taken for a capture's.
    const bool recording = state.purpose == SelectionPurpose::recording;
    if (recording) text = QCoreApplication::translate("OverlayDrawing", "Record").toStdString() + "  " + *text;
    const QSizeF size = measure(*text);
    result.label = label(std::move(*text), size, anchor, bounds, recording);
    return result;
}

} // namespace OverlayDrawing
