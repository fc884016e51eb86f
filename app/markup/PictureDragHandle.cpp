#include "app/markup/PictureDragHandle.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr QSize handleSize{44, 30};

} // namespace

PictureDragHandle::PictureDragHandle(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::OpenHandCursor);
    setToolTip(tr("Drag the picture into another app"));
    setAccessibleName(tr("Drag the picture"));
    setFixedSize(handleSize);
}

QSize PictureDragHandle::sizeHint() const {
    return handleSize;
}

void PictureDragHandle::setPicture(const QImage& picture) {
    const qreal ratio = devicePixelRatioF();
    const QSize room = (QSizeF(handleSize - QSize(6, 6)) * ratio).toSize();
    // Smoothing reads every pixel it reduces: a 4K picture is first cut down quickly, to a size
    // that still smooths well.
    QImage start = picture;
    if (picture.width() > room.width() * 8 && picture.height() > room.height() * 8)
        start = picture.scaled(room * 4, Qt::KeepAspectRatio, Qt::FastTransformation);
    preview_ = start.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    preview_.setDevicePixelRatio(ratio);
    update();
}

void PictureDragHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (preview_.isNull()) return;
    const QSizeF shown = preview_.deviceIndependentSize();
    const QRectF target(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    painter.drawImage(target, preview_);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawRect(target.adjusted(-0.5, -0.5, 0.5, 0.5));
}

void PictureDragHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressedAt_ = event->position();
}

void PictureDragHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedAt_ || !(event->buttons() & Qt::LeftButton)) return;
    if (QLineF(*pressedAt_, event->position()).length() < QApplication::startDragDistance()) return;
    pressedAt_.reset();
    emit dragRequested();
}
