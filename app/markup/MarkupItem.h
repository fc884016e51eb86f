#pragma once
// One mark on a picture in the markup editor: a graphics item in points that stays an object
// until the picture leaves the editor. It knows its kind, its style and its frame (the rectangle
// it is drawn in, or from a line's start to its end); when selected it shows handles that resize
// it. Moving and resizing change the item directly; the scene turns each finished gesture into an
// undo step.

#include <optional>
#include <vector>

#include <QColor>
#include <QGraphicsItem>
#include <QRectF>

class MarkupItem : public QGraphicsItem {
public:
    enum class Kind { rectangle, ellipse, arrow, line, pen, highlighter, text, step, pixelate, redact };

    struct Style {
        QColor colour;
        // Points.
        double stroke = 4;
        // Rectangles and ellipses: filled rather than outlined.
        bool filled = false;
        // Text and steps, points.
        double textSize = 20;
        // Text on a box of the colour.
        bool textBox = false;

        friend bool operator==(const Style&, const Style&) = default;
    };

    // Everything a move or a resize changes.
    struct Geometry {
        QPointF position;
        QRectF frame;

        friend bool operator==(const Geometry&, const Geometry&) = default;
    };

    // QGraphicsItem::type() of every mark.
    static constexpr int itemType = UserType + 1;

    MarkupItem(Kind kind, Style style);

    int type() const override { return itemType; }
    Kind kind() const { return kind_; }
    // Lines and arrows: the frame runs from start to end.
    bool isLinear() const { return kind_ == Kind::arrow || kind_ == Kind::line; }

    const Style& style() const { return style_; }
    void setStyle(const Style& style);

    // In item coordinates; not normalised for lines.
    QRectF frame() const { return frame_; }
    void setFrame(const QRectF& frame);
    Geometry geometry() const { return {pos(), frame_}; }
    void setGeometry(const Geometry& geometry);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // Screen pixels of a handle, whatever the zoom.
    static constexpr double handlePixels = 9;

protected:
    // What the mark draws, in item coordinates.
    virtual void paintContent(QPainter& painter) const = 0;
    // Where a click takes the mark; by default its frame.
    virtual QPainterPath contentShape() const;
    // The area it draws in, beyond the frame by what its stroke spills.
    virtual QRectF contentBounds() const;
    // After the frame or style changed, before it is drawn again.
    virtual void changed() {}
    // Where a frame or a position asked for lands; redactions keep to whole pixels.
    virtual QRectF adjustedFrame(const QRectF& frame) const { return frame; }
    virtual QPointF adjustedPosition(const QPointF& position) const { return position; }
    // A frame made normal and at least `minimum` across (lines stay as they are).
    static QRectF normal(const QRectF& frame);

    // Points per screen pixel in the view showing the item (1 without a view).
    double pointsPerPixel() const;

    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    // Corners of the frame (0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left), or a line's
    // start (0) and end (2).
    std::vector<int> handles() const;
    QPointF handlePoint(int handle) const;
    std::optional<int> handleAt(const QPointF& point) const;
    QRectF frameDraggedTo(int handle, const QPointF& point) const;

    Kind kind_;
    Style style_;
    QRectF frame_;
    std::optional<int> resizing_;
    QRectF pressFrame_;
};
