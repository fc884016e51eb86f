#include "app/ui/ModeButton.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "app/widgets/Drawing.h"
#include "app/widgets/Icons.h"

ModeButton::ModeButton(const QString& title, std::string systemImage, QWidget* parent)
    : QAbstractButton(parent), systemImage_(std::move(systemImage)), glyph_(Icons::icon(systemImage_)) {
    setFocusPolicy(Qt::TabFocus);
    setFont(Drawing::font(titlePixels));
    setTitle(title);
}

void ModeButton::setTitle(const QString& title) {
    setText(title);
    setAccessibleName(title);
    const int titleWidth = static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(title)));
    setFixedSize(std::max(width, titleWidth + 2 * titleMargin), height);
    update();
}

void ModeButton::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
}

QSize ModeButton::sizeHint() const {
    return size();
}

void ModeButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (selected_) {
        QColor tint = palette().color(QPalette::Highlight);
        tint.setAlphaF(0.2);
        QPainterPath path;
        path.addRoundedRect(box, cornerRadius, cornerRadius);
        painter.fillPath(path, tint);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.drawRoundedRect(box.adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius, cornerRadius);
    }
    // A plain button answers a press by dimming its face.
    if (isDown()) painter.setOpacity(0.55);

    const QFontMetricsF metrics(font());
    const double content = glyphSide + spacing + metrics.height();
    const double top = (height - content) / 2.0;
    const QRect glyph(static_cast<int>((QWidget::width() - glyphSide) / 2), static_cast<int>(top), glyphSide, glyphSide);
    glyph_.paint(&painter, glyph, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QRectF(0, top + glyphSide + spacing, QWidget::width(), metrics.height()), Qt::AlignCenter, text());
}
