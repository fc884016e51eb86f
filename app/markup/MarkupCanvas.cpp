#include "app/markup/MarkupCanvas.h"

#include <QGraphicsItem>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/markup/BoxItem.h"
#include "app/markup/HideTextOffer.h"
#include "app/markup/MarkupScene.h"
#include "app/markup/RedactionItem.h"
#include "app/markup/StepItem.h"
#include "app/markup/StrokeItem.h"
#include "app/markup/TextItem.h"

namespace {

// A drag shorter than this (screen pixels) is a click: it draws nothing.
constexpr double clickPixels = 3;
constexpr double wheelStep = 1.15;

} // namespace

MarkupCanvas::MarkupCanvas(MarkupScene& scene, QWidget* parent) : QGraphicsView(&scene, parent), scene_(scene) {
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    // No cached background: on a large screen it costs as much memory as the picture itself,
    // and only the areas a stroke touches are drawn again anyway.
    setCacheMode(CacheNone);
    // The scene's background covers every pixel: filling the viewport first would double each paint.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setViewportUpdateMode(SmartViewportUpdate);
    setFrameShape(NoFrame);
    setAlignment(Qt::AlignCenter);
    setTransformationAnchor(AnchorUnderMouse);
    setResizeAnchor(AnchorViewCenter);
    setFocusPolicy(Qt::StrongFocus);
    connect(&scene_, &MarkupScene::canvasChanged, this, [this] {
        viewport()->update();
        if (fitting_) fitToWindow();
    });
    setTool(MarkupTool::select);
}

void MarkupCanvas::setTool(MarkupTool tool) {
    cancelGesture();
    scene_.finishDrawing(false);
    if (tool != MarkupTool::text) scene_.endTyping();
    tool_ = tool;
    if (tool_ != MarkupTool::select) scene_.clearSelection();
    // Marks answer the pointer only to the select tool (and text, for typing).
    setInteractive(tool_ == MarkupTool::select || tool_ == MarkupTool::text);
    setDragMode(tool_ == MarkupTool::select ? RubberBandDrag : NoDrag);
    updateCursor();
}

void MarkupCanvas::setOffering(bool offering) {
    offering_ = offering;
    scene_.clearSelection();
    setInteractive(!offering && (tool_ == MarkupTool::select || tool_ == MarkupTool::text));
    setDragMode(!offering && tool_ == MarkupTool::select ? RubberBandDrag : NoDrag);
    updateCursor();
}

void MarkupCanvas::updateCursor() {
    Qt::CursorShape shape = Qt::CrossCursor;
    if (offering_ || tool_ == MarkupTool::select) shape = Qt::ArrowCursor;
    if (!offering_ && tool_ == MarkupTool::text) shape = Qt::IBeamCursor;
    viewport()->setCursor(shape);
}

bool MarkupCanvas::cancelGesture() {
    const bool active = cropping_.has_value() || scene_.drawing();
    cropping_.reset();
    dragStart_.reset();
    scene_.finishDrawing(false);
    viewport()->update();
    return active;
}

void MarkupCanvas::setZoom(double zoom) {
    zoom = std::clamp(zoom, minimumZoom, maximumZoom);
    if (std::abs(zoom - this->zoom()) < 1e-9) return;
    setTransform(QTransform::fromScale(zoom, zoom));
    emit zoomChanged(zoom);
}

void MarkupCanvas::fitToWindow() {
    fitting_ = true;
    const QRectF canvas = scene_.canvas();
    const QSize room = maximumViewportSize();
    if (canvas.isEmpty() || room.isEmpty()) return;
    // Never blown up past its real size: a small picture shows as it is.
    setZoom(std::min({1.0, room.width() / canvas.width(), room.height() / canvas.height()}));
    centerOn(canvas.center());
}

void MarkupCanvas::actualSize() {
    fitting_ = false;
    setZoom(1);
}

void MarkupCanvas::zoomBy(double factor) {
    fitting_ = false;
    setZoom(zoom() * factor);
}

void MarkupCanvas::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    if (fitting_) fitToWindow();
}

void MarkupCanvas::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QGraphicsView::wheelEvent(event);
        return;
    }
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) zoomBy(std::pow(wheelStep, notches));
    event->accept();
}

QPointF MarkupCanvas::canvasPoint(const QPoint& viewPoint) const {
    const QPointF p = mapToScene(viewPoint);
    const QRectF c = scene_.canvas();
    return {std::clamp(p.x(), c.left(), c.right()), std::clamp(p.y(), c.top(), c.bottom())};
}

QPointF MarkupCanvas::constrained(const QPointF& start, const QPointF& end, Qt::KeyboardModifiers modifiers) const {
    if (!(modifiers & Qt::ShiftModifier)) return end;
    const QPointF d = end - start;
    switch (tool_) {
    case MarkupTool::rectangle:
    case MarkupTool::ellipse: {
        // A square or a circle.
        const double side = std::max(std::abs(d.x()), std::abs(d.y()));
        return start + QPointF(std::copysign(side, d.x()), std::copysign(side, d.y()));
    }
    case MarkupTool::arrow:
    case MarkupTool::line:
    case MarkupTool::highlighter: {
        const double length = std::hypot(d.x(), d.y());
        const double step = std::numbers::pi / 4;
        const double angle = std::round(std::atan2(d.y(), d.x()) / step) * step;
        return start + QPointF(length * std::cos(angle), length * std::sin(angle));
    }
    default:
        return end;
    }
}

void MarkupCanvas::beginMark(const QPointF& at) {
    const auto kind = MarkupTools::kind(tool_);
    if (!kind) return;
    using Kind = MarkupItem::Kind;
    std::unique_ptr<MarkupItem> item;
    switch (*kind) {
    case Kind::rectangle:
    case Kind::ellipse: item = std::make_unique<BoxItem>(*kind, style_, QRectF(at, at)); break;
    case Kind::arrow:
    case Kind::line:
    case Kind::pen:
    case Kind::highlighter: item = std::make_unique<StrokeItem>(*kind, style_, at, at); break;
    case Kind::pixelate:
    case Kind::redact: item = std::make_unique<RedactionItem>(*kind, style_, QRectF(at, at), scene_.density()); break;
    case Kind::step: item = std::make_unique<StepItem>(style_, at, scene_.nextStepOrder()); break;
    case Kind::text: return;
    }
    scene_.beginDrawing(std::move(item));
}

void MarkupCanvas::extendMark(const QPointF& at, Qt::KeyboardModifiers modifiers) {
    MarkupItem* item = scene_.drawing();
    if (!item || !dragStart_) return;
    const QPointF end = constrained(*dragStart_, at, modifiers);
    if (auto* stroke = dynamic_cast<StrokeItem*>(item)) {
        if (item->kind() == MarkupItem::Kind::highlighter && (modifiers & Qt::ShiftModifier)) {
            stroke->straighten(end);
        } else {
            stroke->extend(end);
        }
        return;
    }
    item->setFrame(QRectF(*dragStart_, end));
}

void MarkupCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    if (offering_) {
        for (QGraphicsItem* item : items(event->pos())) {
            if (auto* box = dynamic_cast<CandidateBox*>(item)) {
                box->toggle();
                break;
            }
        }
        return;
    }
    if (tool_ == MarkupTool::select) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    const QPointF at = canvasPoint(event->pos());
    if (tool_ == MarkupTool::text) {
        // A click on text types into it; anywhere else starts new text.
        for (QGraphicsItem* item : items(event->pos())) {
            QGraphicsItem* mark = item->parentItem() ? item->parentItem() : item;
            if (auto* text = dynamic_cast<TextItem*>(mark)) {
                if (!text->isEditing()) scene_.editText(*text);
                QGraphicsView::mousePressEvent(event);
                return;
            }
        }
        scene_.endTyping();
        MarkupItem::Style style = style_;
        // The click is where the first line's middle goes.
        scene_.beginText(style, at - QPointF(style.textSize * 0.15, style.textSize * 0.75));
        return;
    }
    dragStart_ = at;
    if (tool_ == MarkupTool::crop) {
        cropping_ = QRectF(at, at);
        return;
    }
    beginMark(at);
    if (tool_ == MarkupTool::step) {
        dragStart_.reset();
        scene_.finishDrawing(true);
    }
}

void MarkupCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!dragStart_) {
        QGraphicsView::mouseMoveEvent(event);
        return;
    }
    const QPointF at = canvasPoint(event->pos());
    if (cropping_) {
        cropping_ = QRectF(*dragStart_, at).normalized();
        viewport()->update();
        return;
    }
    extendMark(at, event->modifiers());
}

void MarkupCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragStart_) {
        QGraphicsView::mouseReleaseEvent(event);
        return;
    }
    const QPointF start = *std::exchange(dragStart_, std::nullopt);
    const QPointF end = canvasPoint(event->pos());
    const double moved = QLineF(mapFromScene(start), mapFromScene(end)).length();
    if (cropping_) {
        const QRectF area = *std::exchange(cropping_, std::nullopt);
        viewport()->update();
        if (moved > clickPixels) scene_.crop(area);
        return;
    }
    extendMark(end, event->modifiers());
    scene_.finishDrawing(moved > clickPixels);
}

void MarkupCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    // A drawing tool's second click is a click of its own, not an edit.
    if (offering_ || tool_ != MarkupTool::select) {
        mousePressEvent(event);
        return;
    }
    QGraphicsView::mouseDoubleClickEvent(event);
}

void MarkupCanvas::keyPressEvent(QKeyEvent* event) {
    // Arrow keys nudge the selected marks: a point, or ten with Shift.
    const bool typing = scene_.focusItem() != nullptr;
    if (!typing && tool_ == MarkupTool::select && !scene_.selectedItems().isEmpty()) {
        const double step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
        QPointF by;
        switch (event->key()) {
        case Qt::Key_Left: by = {-step, 0}; break;
        case Qt::Key_Right: by = {step, 0}; break;
        case Qt::Key_Up: by = {0, -step}; break;
        case Qt::Key_Down: by = {0, step}; break;
        default: break;
        }
        if (!by.isNull()) {
            scene_.nudgeSelected(by);
            return;
        }
    }
    QGraphicsView::keyPressEvent(event);
}

void MarkupCanvas::drawForeground(QPainter* painter, const QRectF& rect) {
    if (!cropping_) return;
    // Outside the part to keep is dimmed; the part itself outlined.
    QPainterPath outside;
    outside.addRect(rect | scene_.canvas());
    QPainterPath kept;
    kept.addRect(*cropping_);
    painter->fillPath(outside.subtracted(kept), QColor(0, 0, 0, 140));
    painter->setPen(QPen(Qt::white, 0, Qt::DashLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(*cropping_);
}
