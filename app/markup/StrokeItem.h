#pragma once
// Marks drawn as strokes: a line or an arrow from the frame's start to its end, and the pen's and
// highlighter's freehand paths, which stretch with the frame when resized. The highlighter is a
// broad translucent stroke that darkens what it covers as a marker does, so text under it stays
// readable.

#include <QPolygonF>

#include "app/markup/MarkupItem.h"

class StrokeItem : public MarkupItem {
public:
    // A line or arrow from `start` to `end`; a pen or highlighter path starting at `start`.
    StrokeItem(Kind kind, Style style, const QPointF& start, const QPointF& end);

    // Freehand: the path goes on to `point`. Line, arrow or a straight highlighter: the end moves
    // there.
    void extend(const QPointF& point);
    // The highlighter's stroke runs straight from where it began to `point`.
    void straighten(const QPointF& point);

    // The path as drawn, in item coordinates at the frame it was drawn in.
    const QPolygonF& points() const { return points_; }

    // The highlighter's width for a stroke choice.
    static double highlighterWidth(double stroke) { return stroke * 4; }

protected:
    void paintContent(QPainter& painter) const override;
    QPainterPath contentShape() const override;
    QRectF contentBounds() const override;

private:
    bool isFreehand() const { return kind() == Kind::pen || kind() == Kind::highlighter; }
    double width() const;
    // The freehand path fitted to the current frame.
    QPolygonF fitted() const;
    QPainterPath centreLine() const;
    QPolygonF arrowHead() const;

    QPolygonF points_;
    QRectF drawnFrame_;
};
