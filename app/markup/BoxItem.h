#pragma once
// A rectangle or an ellipse, outlined in the stroke's width or filled with the colour.

#include "app/markup/MarkupItem.h"

class BoxItem : public MarkupItem {
public:
    BoxItem(Kind kind, Style style, const QRectF& frame);

protected:
    void paintContent(QPainter& painter) const override;
    QPainterPath contentShape() const override;
    QRectF contentBounds() const override;

private:
    QPainterPath outline() const;
};
