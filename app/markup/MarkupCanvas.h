#pragma once
// The markup editor's view of the picture: scaled to fit the window (never above its real size)
// until the user zooms with Ctrl+wheel or asks for 1:1, and the tools' gestures: a drag draws the
// chosen mark, a click places a step or starts text, the crop drags the part to keep, and the
// select tool leaves the marks to be picked, moved and resized.

#include <memory>
#include <optional>

#include <QGraphicsView>

#include "app/markup/MarkupItem.h"
#include "app/markup/MarkupTool.h"

class MarkupScene;

class MarkupCanvas : public QGraphicsView {
    Q_OBJECT

public:
    static constexpr double minimumZoom = 0.05;
    static constexpr double maximumZoom = 8;

    explicit MarkupCanvas(MarkupScene& scene, QWidget* parent = nullptr);

    MarkupTool tool() const { return tool_; }
    void setTool(MarkupTool tool);
    // The style new marks are drawn in.
    void setStyle(const MarkupItem::Style& style) { style_ = style; }

    // Points on screen per point of the picture.
    double zoom() const { return transform().m11(); }
    bool isFitting() const { return fitting_; }
    void fitToWindow();
    void actualSize();
    void zoomBy(double factor);

    // While Hide Text offers its boxes, a click picks or drops one and nothing else happens.
    void setOffering(bool offering);
    // A crop being dragged, if any, is given up.
    bool cancelGesture();

signals:
    void zoomChanged(double zoom);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    void setZoom(double zoom);
    void updateCursor();
    // The scene point under the pointer, kept on the canvas.
    QPointF canvasPoint(const QPoint& viewPoint) const;
    // Where a drag from `start` ends with Shift's constraint applied.
    QPointF constrained(const QPointF& start, const QPointF& end, Qt::KeyboardModifiers modifiers) const;
    void beginMark(const QPointF& at);
    void extendMark(const QPointF& at, Qt::KeyboardModifiers modifiers);

    MarkupScene& scene_;
    MarkupTool tool_ = MarkupTool::select;
    MarkupItem::Style style_;
    bool fitting_ = true;
    bool offering_ = false;
    std::optional<QPointF> dragStart_;
    // The crop's rectangle while it is dragged.
    std::optional<QRectF> cropping_;
};
