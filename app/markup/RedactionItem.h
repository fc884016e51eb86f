#pragma once
// What hides part of the picture for good: a solid box of the colour, or the area pixelated in
// the picture's own blocks of at least 12 pixels, each the average of the original pixels in it
// (kit::Pixelation). Both keep to whole pixels of the picture and are drawn without smoothing, so
// in an exported picture every pixel under them is the box's colour or a block's average and
// nothing of the original is left.

#include <cstdint>
#include <vector>

#include <QImage>
#include <QRect>

#include "app/markup/MarkupItem.h"

class MarkupScene;

class RedactionItem : public MarkupItem {
public:
    // `kind` is redact or pixelate; `density` is the picture's pixels per point.
    RedactionItem(Kind kind, Style style, const QRectF& frame, double density);

    // The picture's pixels it covers.
    QRect pixelArea() const;
    // Where it lets nothing under it through.
    QPainterPath opaqueArea() const override;

protected:
    void paintContent(QPainter& painter) const override;
    QRectF contentBounds() const override;
    QRectF adjustedFrame(const QRectF& frame) const override;
    QPointF adjustedPosition(const QPointF& position) const override;

private:
    // The blocks of the area, copied again when the area moved.
    const QImage& blocks(const MarkupScene& scene) const;

    double density_;
    // Only grows: a box being drawn or dragged would otherwise take fresh pages on every frame.
    mutable std::vector<std::uint32_t> buffer_;
    // A view of the buffer.
    mutable QImage blocks_;
    mutable QRect blocksArea_;
};
