#include "app/platform/wayland/PortalCaptureBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QUrl>

#include "app/platform/wayland/PortalRequest.h"
#include "kit/Error.h"

namespace platform::wayland {

namespace {

using namespace std::chrono_literals;

// The portal may ask the user first.
constexpr auto answerLimit = std::chrono::milliseconds(2min);
// What the capture stream reports when the user declined screen capture.
constexpr long long declinedCode = -3801;

bool isScratch(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    return folder == QDir::tempPath() || folder == QLatin1String("/tmp");
}

} // namespace

PortalCaptureBackend::PortalCaptureBackend(QDBusConnection bus) : bus_(std::move(bus)) {}

QImage PortalCaptureBackend::grab(const QRect&) {
    throw kit::Error("The screen can only be captured through the desktop's screenshot portal.");
}

QCoro::Task<std::vector<QImage>> PortalCaptureBackend::grabAreas(std::vector<QRect> areas) {
    QRect desktop;
    for (const x11::Monitor& monitor : monitors()) desktop |= monitor.geometry;
    const QImage picture = co_await takeScreenshot();
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

QCoro::Task<QImage> PortalCaptureBackend::takeScreenshot() {
    PortalRequest request(bus_);
    QVariantList arguments;
    arguments.append(QString()); // no parent window
    QVariantMap options;
    options.insert(QStringLiteral("interactive"), false);
    options.insert(QStringLiteral("modal"), false);
    const PortalResponse response =
        co_await request.call(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
                              std::move(arguments), std::move(options), missingSentence, answerLimit);
    if (response.code == 1)
        throw kit::Error(declinedSentence, std::string(kit::ErrorDomain::screenCaptureStream), declinedCode);
    if (response.code != 0) throw kit::Error("The desktop couldn't take the screenshot.");

    const QString file = QUrl(response.results.value(QStringLiteral("uri")).toString()).toLocalFile();
    QImage picture(file);
    // A picture left in the temporary folder would show the user's screen to anyone.
    if (!file.isEmpty() && isScratch(file)) QFile::remove(file);
    if (picture.isNull()) throw kit::Error("The desktop's screenshot couldn't be read.");
    co_return picture.convertToFormat(QImage::Format_RGB32);
}

} // namespace platform::wayland
