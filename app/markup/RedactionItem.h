#pragma once
// What hides part of the picture for good: a solid box of the colour, or the area pixelated in
// blocks of at least 12 pixels, each the average of the original pixels under it. Both keep to
// whole pixels of the picture and are drawn without smoothing, so in an exported picture every
// pixel under them is the box's colour or a block's average and nothing of the original is left.

#include <QImage>
#include <QRect>

#include "app/markup/MarkupItem.h"

class RedactionItem : public MarkupItem {
public:
    // `kind` is redact or pixelate; `density` is the picture's pixels per point.
    RedactionItem(Kind kind, Style style, const QRectF& frame, double density);

    // The picture's pixels it covers.
    QRect pixelArea() const;

protected:
    void paintContent(QPainter& painter) const override;
    QRectF contentBounds() const override;
    QRectF adjustedFrame(const QRectF& frame) const override;
    QPointF adjustedPosition(const QPointF& position) const override;

private:
    // The blocks of the area, made again when the area moved.
    const QImage& blocks(const QImage& picture) const;

    double density_;
    mutable QImage blocks_;
    mutable QRect blocksArea_;
};
