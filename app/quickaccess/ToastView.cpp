#include "app/quickaccess/ToastView.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

#include "app/ui/Icons.h"

namespace {

QPainterPath box(const QRectF& rect) {
    QPainterPath path;
    path.addRoundedRect(rect, ToastView::cornerRadius, ToastView::cornerRadius);
    return path;
}

} // namespace

ToastView::ToastView(std::string message, std::string systemImage, QWidget* parent)
    : QWidget(parent), message_(std::move(message)), systemImage_(std::move(systemImage)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(QString::fromStdString(message_));
}

QFont ToastView::messageFont() const {
    QFont font = QApplication::font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    return font;
}

QSize ToastView::sizeHint() const {
    const QFontMetricsF metrics(messageFont());
    const double textWidth = metrics.horizontalAdvance(QString::fromStdString(message_));
    const double width = std::max<double>(iconSide, textWidth) + 2 * horizontalInset;
    const double height = iconSide + spacing + metrics.height() + 2 * verticalInset;
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

QRegion ToastView::drawnShape(const QSize& size) {
    return QRegion(box(QRectF(QPointF(), QSizeF(size))).toFillPolygon().toPolygon());
}

void ToastView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPalette& colours = palette();
    // A translucent box where something composites it, an opaque one where nothing can.
    QColor background = colours.color(QPalette::Window);
    if (window()->testAttribute(Qt::WA_TranslucentBackground)) background.setAlphaF(0.88);
    // A hairline keeps the box apart from a background of its own colour.
    QColor edge = colours.color(QPalette::WindowText);
    edge.setAlphaF(0.18);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(background);
    painter.drawPath(box(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5)));

    const QRectF icon((width() - iconSide) / 2.0, verticalInset, iconSide, iconSide);
    Icons::icon(systemImage_).paint(&painter, icon.toAlignedRect());

    const QFont font = messageFont();
    painter.setFont(font);
    painter.setPen(colours.color(QPalette::WindowText));
    const QRectF text(0, icon.bottom() + spacing, width(), QFontMetricsF(font).height());
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter, QString::fromStdString(message_));
}
