#pragma once
// A numbered step: a disc of the colour with its number in black or white. Steps are numbered 1,
// 2, 3 ... in the order they were placed, and close up when one goes.

#include <cstdint>

#include "app/markup/MarkupItem.h"

class StepItem : public MarkupItem {
public:
    // Centred on `centre`; `order` places it among the steps.
    StepItem(Style style, const QPointF& centre, std::uint64_t order);

    std::uint64_t order() const { return order_; }
    int number() const { return number_; }
    void setNumber(int number);

    // The disc's diameter for a text size.
    static double diameter(double textSize) { return std::round(textSize * 1.5); }

protected:
    void paintContent(QPainter& painter) const override;
    QPainterPath contentShape() const override;
    void changed() override;

private:
    std::uint64_t order_;
    int number_ = 1;
    bool resizing_ = false;
};
