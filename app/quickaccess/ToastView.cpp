#include "app/quickaccess/ToastView.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

#include "app/widgets/Drawing.h"
#include "app/widgets/Icons.h"

ToastView::ToastView(std::string message, std::string systemImage, QWidget* parent)
    : QWidget(parent), message_(std::move(message)), systemImage_(std::move(systemImage)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(QString::fromStdString(message_));
}

QFont ToastView::messageFont() const {
    return Drawing::font(13, QFont::DemiBold);
}

QSize ToastView::sizeHint() const {
    const QFontMetricsF metrics(messageFont());
    const double textWidth = metrics.horizontalAdvance(QString::fromStdString(message_));
    const double width = std::max<double>(iconSide, textWidth) + 2 * horizontalInset;
    const double height = iconSide + spacing + metrics.height() + 2 * verticalInset;
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

QRegion ToastView::drawnShape(const QSize& size) {
    return Drawing::roundedShape(size, cornerRadius);
}

void ToastView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPalette& colours = palette();
    Drawing::panelBackground(painter, *this, cornerRadius);

    const QRectF icon((width() - iconSide) / 2.0, verticalInset, iconSide, iconSide);
    Icons::icon(systemImage_).paint(&painter, icon.toAlignedRect());

    const QFont font = messageFont();
    painter.setFont(font);
    painter.setPen(colours.color(QPalette::WindowText));
    const QRectF text(0, icon.bottom() + spacing, width(), QFontMetricsF(font).height());
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter, QString::fromStdString(message_));
}
