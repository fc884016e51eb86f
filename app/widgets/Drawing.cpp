#include "app/widgets/Drawing.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "app/widgets/Icons.h"

namespace Drawing {

QPainterPath roundedBox(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QRegion roundedShape(const QSize& size, double radius) {
    return QRegion(roundedBox(QRectF(QPointF(), QSizeF(size)), radius).toFillPolygon().toPolygon());
}

bool drawsTranslucent(const QWidget& widget) {
    return widget.window()->testAttribute(Qt::WA_TranslucentBackground);
}

QColor faint(const QPalette& palette, double alpha) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(alpha);
    return colour;
}

void panelBackground(QPainter& painter, const QWidget& widget, double radius) {
    const QPalette& colours = widget.palette();
    QColor background = colours.color(QPalette::Window);
    if (drawsTranslucent(widget)) background.setAlphaF(0.88);
    painter.setPen(QPen(faint(colours, 0.18), 1));
    painter.setBrush(background);
    painter.drawPath(roundedBox(QRectF(widget.rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius));
}

QFont font(int pixelSize, QFont::Weight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

void tintedGlyph(QPainter& painter, std::string_view name, const QRectF& box, const QColor& colour, qreal ratio) {
    const QIcon icon = Icons::drawnIcon(name);
    if (icon.isNull()) return;
    const int side = static_cast<int>(std::lround(box.width()));
    QImage image = icon.pixmap(QSize(side, side), ratio).toImage().convertToFormat(QImage::Format_ARGB32);
    // Glyphs are drawn in the palette's ink, with details in its contrast colour; both are mapped,
    // so two-tone glyphs keep their detail.
    const QColor ink = QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
    const double inkLightness = ink.lightnessF();
    const double contrastLightness = inkLightness < 0.5 ? 1.0 : 0.0;
    const QColor contrast = colour.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0) continue;
            const double lightness = QColor(line[x]).lightnessF();
            const double t = std::clamp((lightness - contrastLightness) / (inkLightness - contrastLightness), 0.0, 1.0);
            const auto mix = [t](int from, int to) { return static_cast<int>(std::lround(from + (to - from) * t)); };
            line[x] = qRgba(mix(contrast.red(), colour.red()), mix(contrast.green(), colour.green()),
                            mix(contrast.blue(), colour.blue()), alpha);
        }
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    const QSizeF size = pixmap.deviceIndependentSize();
    painter.drawPixmap(QPointF(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2), pixmap);
}

} // namespace Drawing
