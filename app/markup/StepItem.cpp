#include "app/markup/StepItem.h"

#include <QFont>
#include <QPainter>

#include "kit/MarkupStyle.h"

StepItem::StepItem(Style style, const QPointF& centre, std::uint64_t order)
    : MarkupItem(Kind::step, std::move(style)), order_(order) {
    setPos(centre);
    changed();
}

void StepItem::setNumber(int number) {
    if (number == number_) return;
    number_ = number;
    update();
}

void StepItem::changed() {
    // The disc is centred on the item's position, sized by the text size.
    if (resizing_) return;
    resizing_ = true;
    const double d = diameter(style().textSize);
    setFrame(QRectF(-d / 2, -d / 2, d, d));
    resizing_ = false;
}

void StepItem::paintContent(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(style().colour);
    painter.drawEllipse(frame());
    const QColor colour = style().colour;
    const bool dark = kit::MarkupStyle::wantsDarkText({static_cast<std::uint8_t>(colour.red()),
                                                       static_cast<std::uint8_t>(colour.green()),
                                                       static_cast<std::uint8_t>(colour.blue())});
    QFont font;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(frame().height() * (number_ >= 10 ? 0.45 : 0.55)))));
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(dark ? Qt::black : Qt::white);
    painter.drawText(frame(), Qt::AlignCenter, QString::number(number_));
}

QPainterPath StepItem::contentShape() const {
    QPainterPath path;
    path.addEllipse(frame());
    return path;
}
