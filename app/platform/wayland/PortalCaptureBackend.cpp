#include "app/platform/wayland/PortalCaptureBackend.h"

#include <QPainter>

#include "kit/CaptureVocabulary.h"
#include "kit/Error.h"

namespace platform::wayland {

PortalCaptureBackend::PortalCaptureBackend(std::shared_ptr<CaptureBackend> xwayland, ScreenshotPortal portal)
    : xwayland_(std::move(xwayland)), portal_(std::move(portal)) {}

QCoro::Task<std::vector<QImage>> PortalCaptureBackend::grabAreas(std::vector<QRect> areas) {
    QRect desktop;
    for (const Monitor& monitor : monitors()) desktop |= monitor.geometry;
    QImage picture;
    try {
        picture = co_await portal_.take();
    } catch (const kit::Error& error) {
        declined_ = kit::CaptureFailure::classify(error) == kit::CaptureFailure::needsScreenPermission;
        throw;
    }
    declined_ = false;
    std::vector<QImage> images;
    for (const QRect& area : areas) images.push_back(cut(picture, desktop, area));
    co_return images;
}

QImage PortalCaptureBackend::cut(const QImage& picture, const QRect& desktop, const QRect& area) {
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    if (desktop.isEmpty() || picture.isNull()) return image;
    const double sx = double(picture.width()) / desktop.width();
    const double sy = double(picture.height()) / desktop.height();
    const QRect common = area.intersected(desktop);
    if (common.isEmpty()) return image;
    const QRectF source((common.x() - desktop.x()) * sx, (common.y() - desktop.y()) * sy, common.width() * sx,
                        common.height() * sy);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, sx != 1.0 || sy != 1.0);
    painter.drawImage(QRectF(common.translated(-area.topLeft())), picture, source);
    return image;
}

} // namespace platform::wayland
