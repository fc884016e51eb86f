#include "app/capture/SelectionOverlayView.h"

#include <cmath>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>


namespace {

const QColor systemBlue(0, 122, 255);

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

QRect covering(const QRectF& r, double grow) { return r.adjusted(-grow, -grow, grow, grow).toAlignedRect(); }

} // namespace

SelectionOverlayView::SelectionOverlayView(std::uint32_t displayID, StateSource state)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint),
      displayID_(displayID),
      state_(std::move(state)),
      font_(labelFont()),
      metrics_(font_) {
    // Every pixel is painted from the frozen frame: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setWindowTitle(QStringLiteral("Glimpo selection"));
}

void SelectionOverlayView::present(const DisplayInfo& display, const QImage& frozen) {
    display_ = display;
    if (frozen.isNull()) {
        frozen_ = QImage(display.pixels.size(), QImage::Format_RGB32);
        frozen_.fill(Qt::black);
    } else {
        frozen_ = frozen.convertToFormat(QImage::Format_RGB32);
    }
    setGeometry(DisplayService::widgetGeometry(display.pixels));
    scene_ = currentScene();
    show();
    raise();
    update();
}

void SelectionOverlayView::dismiss() {
    hide();
    frozen_ = QImage();
}

void SelectionOverlayView::refresh() {
    OverlayDrawing::Scene next = currentScene();
    if (next == scene_) return;
    const QRegion dirty = next.mode != scene_.mode ? QRegion(rect()) : footprint(scene_) | footprint(next);
    scene_ = std::move(next);
    if (isVisible()) update(dirty);
}

OverlayDrawing::Scene SelectionOverlayView::currentScene() const {
    return OverlayDrawing::scene(state_(), display_, [this](const std::string& text) {
        return QSizeF(metrics_.horizontalAdvance(QString::fromStdString(text)), metrics_.height());
    });
}

QRegion SelectionOverlayView::footprint(const OverlayDrawing::Scene& scene) const {
    QRegion region;
    // The border and the highlight's outline lie within a point or two of their rectangles.
    if (scene.hole) region |= covering(*scene.hole, 2);
    if (scene.highlight) region |= covering(*scene.highlight, 2);
    if (scene.label) region |= covering(scene.label->box, 1);
    return region;
}

QFont SelectionOverlayView::labelFont() {
    QFont font = QGuiApplication::font();
    font.setPixelSize(static_cast<int>(OverlayDrawing::labelFontSize));
    font.setWeight(QFont::Medium);
    return font;
}

void SelectionOverlayView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const double scale = display_.scale;
    const auto source = [scale](const QRectF& r) {
        return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
    };
    const QColor dim = withAlpha(Qt::black, scene_.mode == SelectionMode::area ? OverlayDrawing::dimAlpha
                                                                                : OverlayDrawing::windowModeDimAlpha);
    for (const QRect& part : event->region()) {
        painter.drawImage(QRectF(part), frozen_, source(part));
        painter.fillRect(part, dim);
    }

    painter.setRenderHint(QPainter::Antialiasing);
    if (scene_.hole) {
        const QRectF hole = *scene_.hole;
        painter.save();
        painter.setClipRect(hole, Qt::IntersectClip);
        painter.drawImage(hole, frozen_, source(hole));
        painter.restore();
        // Grown by half a point, so the one-point line lies just outside the selection.
        painter.setPen(QPen(Qt::white, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(hole.adjusted(-0.5, -0.5, 0.5, 0.5));
    }
    if (scene_.highlight) {
        const QRectF window = *scene_.highlight;
        painter.fillRect(window, withAlpha(systemBlue, OverlayDrawing::highlightAlpha));
        // Shrunk by a point, so the outline lies inside the window.
        painter.setPen(QPen(systemBlue, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(window.adjusted(1, 1, -1, -1));
    }
    if (scene_.label) {
        const OverlayDrawing::Label& label = *scene_.label;
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(Qt::black, OverlayDrawing::labelAlpha));
        painter.drawRoundedRect(label.box, OverlayDrawing::labelCornerRadius, OverlayDrawing::labelCornerRadius);
        if (label.glyph) {
            painter.setBrush(QColor(255, 59, 48));
            painter.drawEllipse(*label.glyph);
        }
        painter.setFont(font_);
        painter.setPen(Qt::white);
        const QRectF text(label.textOrigin, label.box.bottomRight());
        painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString::fromStdString(label.text));
    }
}

kit::Point SelectionOverlayView::globalPoint(const QPointF& local) const {
    return DisplayLayout::globalFromLocal(display_, kit::Point{local.x(), local.y()});
}

void SelectionOverlayView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons().testFlag(Qt::LeftButton)) {
        emit dragged(globalPoint(event->position()));
    } else if (event->buttons() == Qt::NoButton) {
        emit pointerMoved(globalPoint(event->position()));
    }
}

void SelectionOverlayView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit pressed(globalPoint(event->position()));
    } else if (event->button() == Qt::RightButton) {
        emit cancelled();
    }
}

void SelectionOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit released(globalPoint(event->position()));
}

void SelectionOverlayView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        emit cancelled();
        break;
    case Qt::Key_Space:
        emit modeToggled();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
