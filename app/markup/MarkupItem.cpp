#include "app/markup/MarkupItem.h"

#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPainter>
#include <QPainterPathStroker>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

#include "app/markup/MarkupScene.h"

namespace {

// A click this close to a thin mark (in screen pixels) still takes it.
constexpr double grabPixels = 6;

} // namespace

MarkupItem::MarkupItem(Kind kind, Style style) : kind_(kind), style_(std::move(style)) {
    // The exposed part, not the whole mark, is what an opaque mark above must cover to spare its paint.
    setFlags(ItemIsSelectable | ItemIsMovable | ItemSendsGeometryChanges | ItemUsesExtendedStyleOption);
    setAcceptHoverEvents(true);
}

void MarkupItem::setStyle(const Style& style) {
    if (style == style_) return;
    prepareGeometryChange();
    style_ = style;
    changed();
    update();
}

void MarkupItem::setFrame(const QRectF& frame) {
    const QRectF adjusted = adjustedFrame(frame);
    if (adjusted == frame_) return;
    prepareGeometryChange();
    frame_ = adjusted;
    changed();
    update();
}

void MarkupItem::setGeometry(const Geometry& geometry) {
    setPos(geometry.position);
    setFrame(geometry.frame);
}

QRectF MarkupItem::normal(const QRectF& frame) {
    return frame.normalized();
}

double MarkupItem::pointsPerPixel() const {
    if (!scene() || scene()->views().isEmpty()) return 1;
    const double scale = scene()->views().first()->transform().m11();
    return scale > 0 ? 1 / scale : 1;
}

QRectF MarkupItem::contentBounds() const {
    const double spill = style_.stroke / 2 + 1;
    return normal(frame_).adjusted(-spill, -spill, spill, spill);
}

QPainterPath MarkupItem::contentShape() const {
    QPainterPath path;
    path.addRect(normal(frame_));
    return path;
}

QRectF MarkupItem::boundingRect() const {
    // Room for the handles, which sit on the frame's corners.
    const double half = handlePixels * pointsPerPixel() / 2 + 1;
    return contentBounds().united(normal(frame_).adjusted(-half, -half, half, half));
}

QPainterPath MarkupItem::shape() const {
    QPainterPath path = contentShape();
    // Thin marks are hard to hit at their own width.
    QPainterPathStroker stroker;
    stroker.setWidth(2 * grabPixels * pointsPerPixel());
    path = path.united(stroker.createStroke(path));
    if (isSelected()) {
        // United, not added: overlapping parts of an odd-even path would cancel out.
        QPainterPath grips;
        const double side = handlePixels * pointsPerPixel();
        for (int handle : handles()) grips.addRect(QRectF(handlePoint(handle) - QPointF(side, side) / 2, QSizeF(side, side)));
        path = path.united(grips);
    }
    return path;
}

void MarkupItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*) {
    // Marks under a large pixelation being dragged would otherwise be drawn again on every frame,
    // only to be painted over.
    const auto* markup = dynamic_cast<const MarkupScene*>(scene());
    if (markup && markup->isHidden(*this, mapRectToScene(option->exposedRect))) return;
    painter->save();
    paintContent(*painter);
    painter->restore();
    if (!(option->state & QStyle::State_Selected)) return;
    // Handles: white squares with a dark edge, the same size at every zoom.
    const double side = handlePixels * pointsPerPixel();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(QColor(30, 30, 30), 0));
    painter->setBrush(Qt::white);
    if (!isLinear()) {
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(QColor(30, 136, 229), 0, Qt::DashLine));
        painter->drawRect(normal(frame_));
        painter->setPen(QPen(QColor(30, 30, 30), 0));
        painter->setBrush(Qt::white);
    }
    for (int handle : handles()) painter->drawRect(QRectF(handlePoint(handle) - QPointF(side, side) / 2, QSizeF(side, side)));
}

std::vector<int> MarkupItem::handles() const {
    // Text and steps take their size from the text size.
    if (kind_ == Kind::text || kind_ == Kind::step) return {};
    if (isLinear()) return {0, 2};
    return {0, 1, 2, 3};
}

QPointF MarkupItem::handlePoint(int handle) const {
    const QRectF r = isLinear() ? frame_ : normal(frame_);
    switch (handle) {
    case 0: return r.topLeft();
    case 1: return r.topRight();
    case 2: return r.bottomRight();
    default: return r.bottomLeft();
    }
}

std::optional<int> MarkupItem::handleAt(const QPointF& point) const {
    if (!isSelected()) return std::nullopt;
    const double reach = (handlePixels / 2 + 2) * pointsPerPixel();
    for (int handle : handles()) {
        const QPointF d = point - handlePoint(handle);
        if (std::abs(d.x()) <= reach && std::abs(d.y()) <= reach) return handle;
    }
    return std::nullopt;
}

QRectF MarkupItem::frameDraggedTo(int handle, const QPointF& point) const {
    if (isLinear()) {
        return handle == 0 ? QRectF(point, pressFrame_.bottomRight()) : QRectF(pressFrame_.topLeft(), point);
    }
    QRectF r = normal(pressFrame_);
    switch (handle) {
    case 0: r.setTopLeft(point); break;
    case 1: r.setTopRight(point); break;
    case 2: r.setBottomRight(point); break;
    default: r.setBottomLeft(point); break;
    }
    r = r.normalized();
    // Never folded away to nothing.
    const double least = 2 * pointsPerPixel();
    r.setWidth(std::max(r.width(), least));
    r.setHeight(std::max(r.height(), least));
    return r;
}

void MarkupItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (const auto handle = handleAt(event->pos())) {
            resizing_ = handle;
            pressFrame_ = frame_;
            event->accept();
            return;
        }
    }
    QGraphicsItem::mousePressEvent(event);
}

void MarkupItem::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
    if (resizing_) {
        setFrame(frameDraggedTo(*resizing_, event->pos()));
        return;
    }
    QGraphicsItem::mouseMoveEvent(event);
}

void MarkupItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    if (resizing_) {
        resizing_.reset();
        event->accept();
        return;
    }
    QGraphicsItem::mouseReleaseEvent(event);
}

void MarkupItem::hoverMoveEvent(QGraphicsSceneHoverEvent* event) {
    if (const auto handle = handleAt(event->pos())) {
        const bool falling = *handle == 0 || *handle == 2;
        setCursor(isLinear() ? Qt::CrossCursor : falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else {
        setCursor(Qt::SizeAllCursor);
    }
    QGraphicsItem::hoverMoveEvent(event);
}

QVariant MarkupItem::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemPositionChange) return adjustedPosition(value.toPointF());
    if (change == ItemSelectedHasChanged) prepareGeometryChange();
    return QGraphicsItem::itemChange(change, value);
}
