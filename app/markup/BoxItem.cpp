#include "app/markup/BoxItem.h"

#include <QPainter>
#include <QPainterPathStroker>

BoxItem::BoxItem(Kind kind, Style style, const QRectF& frame) : MarkupItem(kind, std::move(style)) {
    setFrame(frame);
}

QPainterPath BoxItem::outline() const {
    QPainterPath path;
    if (kind() == Kind::ellipse) {
        path.addEllipse(normal(frame()));
    } else {
        path.addRect(normal(frame()));
    }
    return path;
}

void BoxItem::paintContent(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing);
    if (style().filled) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(style().colour);
    } else {
        painter.setPen(QPen(style().colour, style().stroke, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
    }
    painter.drawPath(outline());
}

QPainterPath BoxItem::contentShape() const {
    if (style().filled) return outline();
    // An outline is taken by its line, so what it surrounds can still be picked.
    QPainterPathStroker stroker;
    stroker.setWidth(style().stroke);
    return stroker.createStroke(outline());
}

QRectF BoxItem::contentBounds() const {
    const double spill = style().filled ? 1 : style().stroke / 2 + 1;
    return normal(frame()).adjusted(-spill, -spill, spill, spill);
}
