#pragma once
// Small drawing helpers that Glimpo's floating panels share: the rounded box they are drawn in,
// its shape for desktops without translucency, fonts by pixel size, and glyphs tinted in one
// colour.

#include <string_view>

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRegion>

class QPainter;
class QWidget;

namespace Drawing {

QPainterPath roundedBox(const QRectF& rect, double radius);
// The rounded box of a panel of that size, as a window shape.
QRegion roundedShape(const QSize& size, double radius);

// Whether the widget's window is composited, so it may draw translucent.
bool drawsTranslucent(const QWidget& widget);
// A floating panel's background filling `widget`: the palette's window colour, translucent where
// something composites it, with a hairline edge that keeps it apart from a background of its own
// colour.
void panelBackground(QPainter& painter, const QWidget& widget, double radius);
// The palette's text colour at `alpha`.
QColor faint(const QPalette& palette, double alpha);

// The application's font at a pixel size and weight.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);

// The program's own glyph centred in `box`, in `colour`, keeping the details of two-tone glyphs.
void tintedGlyph(QPainter& painter, std::string_view name, const QRectF& box, const QColor& colour, qreal ratio);

} // namespace Drawing
