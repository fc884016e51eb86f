#include "app/markup/StrokeItem.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace {

// The highlighter's ink over what it covers.
constexpr double highlighterOpacity = 0.55;

QRectF bounds(const QPolygonF& points) {
    QRectF r = points.boundingRect();
    // A dot is still somewhere.
    if (r.width() <= 0) r.setWidth(0.01);
    if (r.height() <= 0) r.setHeight(0.01);
    return r;
}

} // namespace

StrokeItem::StrokeItem(Kind kind, Style style, const QPointF& start, const QPointF& end)
    : MarkupItem(kind, std::move(style)) {
    if (isFreehand()) {
        points_ << start;
        if (end != start) points_ << end;
        drawnFrame_ = bounds(points_);
        setFrame(drawnFrame_);
    } else {
        setFrame(QRectF(start, end));
    }
}

void StrokeItem::extend(const QPointF& point) {
    if (!isFreehand()) {
        setFrame(QRectF(frame().topLeft(), point));
        return;
    }
    // While drawing, the frame is the path's own.
    points_ << point;
    prepareGeometryChange();
    drawnFrame_ = bounds(points_);
    setFrame(drawnFrame_);
}

void StrokeItem::straighten(const QPointF& point) {
    if (points_.isEmpty()) return;
    points_ = QPolygonF{points_.front(), point};
    prepareGeometryChange();
    drawnFrame_ = bounds(points_);
    setFrame(drawnFrame_);
}

double StrokeItem::width() const {
    return kind() == Kind::highlighter ? highlighterWidth(style().stroke) : style().stroke;
}

QPolygonF StrokeItem::fitted() const {
    const QRectF to = frame();
    const double sx = to.width() / drawnFrame_.width(), sy = to.height() / drawnFrame_.height();
    QPolygonF out;
    out.reserve(points_.size());
    for (const QPointF& p : points_) {
        out << QPointF(to.left() + (p.x() - drawnFrame_.left()) * sx, to.top() + (p.y() - drawnFrame_.top()) * sy);
    }
    return out;
}

QPolygonF StrokeItem::arrowHead() const {
    const QLineF line(frame().topLeft(), frame().bottomRight());
    const double length = std::max(10.0, style().stroke * 3.5);
    if (line.length() < 0.01) return {};
    const QPointF tip = line.p2();
    const QPointF back = tip - (line.p2() - line.p1()) / line.length() * length;
    const QPointF across = QPointF(-(line.dy()), line.dx()) / line.length() * length * 0.45;
    return QPolygonF{tip, back + across, back - across};
}

QPainterPath StrokeItem::centreLine() const {
    QPainterPath path;
    if (isFreehand()) {
        const QPolygonF p = fitted();
        path.moveTo(p.front());
        for (int i = 1; i < p.size(); ++i) path.lineTo(p[i]);
        if (p.size() == 1) path.lineTo(p.front() + QPointF(0.01, 0));
        return path;
    }
    QLineF line(frame().topLeft(), frame().bottomRight());
    // The shaft stops inside the head, so its end never shows past the tip.
    if (kind() == Kind::arrow && line.length() > 0.01) {
        const double head = std::max(10.0, style().stroke * 3.5);
        line.setLength(std::max(0.0, line.length() - head * 0.6));
    }
    path.moveTo(line.p1());
    path.lineTo(line.p2());
    return path;
}

void StrokeItem::paintContent(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ink = style().colour;
    Qt::PenCapStyle cap = Qt::RoundCap;
    if (kind() == Kind::highlighter) {
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        ink.setAlphaF(highlighterOpacity);
        cap = Qt::FlatCap;
    }
    painter.setPen(QPen(ink, width(), Qt::SolidLine, cap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(centreLine());
    if (kind() == Kind::arrow) {
        painter.setPen(QPen(ink, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(ink);
        painter.drawPolygon(arrowHead());
    }
}

QPainterPath StrokeItem::contentShape() const {
    QPainterPathStroker stroker;
    stroker.setWidth(width());
    QPainterPath path = stroker.createStroke(centreLine());
    if (kind() == Kind::arrow) path.addPolygon(arrowHead());
    return path;
}

QRectF StrokeItem::contentBounds() const {
    const double spill = width() / 2 + std::max(10.0, style().stroke * 3.5) + 1;
    return normal(frame()).adjusted(-spill, -spill, spill, spill);
}
