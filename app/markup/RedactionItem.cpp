#include "app/markup/RedactionItem.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "app/markup/MarkupScene.h"
#include "kit/Pixelation.h"

RedactionItem::RedactionItem(Kind kind, Style style, const QRectF& frame, double density)
    : MarkupItem(kind, std::move(style)), density_(density) {
    setFrame(frame);
}

QRectF RedactionItem::adjustedFrame(const QRectF& frame) const {
    // Outwards to whole pixels: a pixel half under the box is under it.
    const QRectF r = normal(frame);
    const double left = std::floor(r.left() * density_ + 1e-6) / density_;
    const double top = std::floor(r.top() * density_ + 1e-6) / density_;
    const double right = std::ceil(r.right() * density_ - 1e-6) / density_;
    const double bottom = std::ceil(r.bottom() * density_ - 1e-6) / density_;
    return QRectF(QPointF(left, top), QPointF(std::max(right, left + 1 / density_), std::max(bottom, top + 1 / density_)));
}

QPointF RedactionItem::adjustedPosition(const QPointF& position) const {
    return {std::round(position.x() * density_) / density_, std::round(position.y() * density_) / density_};
}

QRect RedactionItem::pixelArea() const {
    const QRectF r = frame().translated(pos());
    return QRect(QPoint(static_cast<int>(std::lround(r.left() * density_)), static_cast<int>(std::lround(r.top() * density_))),
                 QSize(static_cast<int>(std::lround(r.width() * density_)), static_cast<int>(std::lround(r.height() * density_))));
}

QPainterPath RedactionItem::opaqueArea() const {
    QPainterPath area;
    const auto* markup = dynamic_cast<const MarkupScene*>(scene());
    if (kind() == Kind::redact) {
        area.addRect(frame());
    } else if (markup && !markup->picture().hasAlphaChannel()) {
        const QRect pixels = pixelArea() & markup->picture().rect();
        area.addRect(QRectF(QPointF(pixels.topLeft()) / density_ - pos(), QSizeF(pixels.size()) / density_));
    }
    return area;
}

QRectF RedactionItem::contentBounds() const {
    return frame();
}

const QImage& RedactionItem::blocks(const MarkupScene& scene) const {
    const QImage& picture = scene.picture();
    // Beyond the picture's edge there are no pixels to hide.
    const QRect area = pixelArea() & picture.rect();
    if (area == blocksArea_ && !blocks_.isNull()) return blocks_;
    blocksArea_ = area;
    blocks_ = QImage();
    if (area.isEmpty()) return blocks_;
    const auto needed = static_cast<std::size_t>(area.width()) * static_cast<std::size_t>(area.height());
    if (buffer_.size() < needed) buffer_.resize(needed);
    scene.mosaic().paint({area.x(), area.y(), area.width(), area.height()}, buffer_.data(), area.width());
    // In the picture's own format: an opaque one is copied to the screen without blending.
    blocks_ = QImage(reinterpret_cast<const uchar*>(buffer_.data()), area.width(), area.height(), area.width() * 4,
                     picture.format());
    return blocks_;
}

void RedactionItem::paintContent(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const auto* markup = dynamic_cast<const MarkupScene*>(scene());
    if (kind() == Kind::pixelate && markup) {
        const QImage& image = blocks(*markup);
        if (image.isNull()) return;
        const QRectF target(QPointF(blocksArea_.topLeft()) / density_ - pos(), QSizeF(blocksArea_.size()) / density_);
        painter.drawImage(target, image);
        return;
    }
    QColor solid = style().colour;
    solid.setAlpha(255);
    painter.fillRect(frame(), solid);
}
