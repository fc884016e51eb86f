#include "app/quickaccess/DragSourceView.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QLineF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QThread>
#include <QUrl>

namespace {

// While a capture is dragged, no widget of this process may take the drop: the file would only
// land back in Glimpo, and some of its fields take dropped text.
class InternalDropBlocker : public QObject {
public:
    InternalDropBlocker() { qApp->installEventFilter(this); }
    ~InternalDropBlocker() override { qApp->removeEventFilter(this); }
    InternalDropBlocker(const InternalDropBlocker&) = delete;
    InternalDropBlocker& operator=(const InternalDropBlocker&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::IgnoreAction);
            drop->ignore();
            return true;
        }
        default:
            return false;
        }
    }
};

QPointF offsetOf(const QPixmap& pixmap, const QSize& area) {
    const QSizeF size = pixmap.deviceIndependentSize();
    return {(area.width() - size.width()) / 2.0, (area.height() - size.height()) / 2.0};
}

} // namespace

DragSourceView::DragSourceView(std::filesystem::path fileURL, std::optional<QImage> image, QWidget* parent)
    : QWidget(parent), fileURL_(std::move(fileURL)) {
    // Drops onto the picture itself are never taken.
    setAcceptDrops(false);
    setImage(std::move(image));
}

void DragSourceView::setImage(std::optional<QImage> image) {
    if (image && image->isNull()) image.reset();
    // The thumbnail hands over its preview on every redraw; rescaling is only for a new one.
    if (image == image_) return;
    image_ = std::move(image);
    fitted_ = QPixmap();
    update();
}

void DragSourceView::setCornerRadius(double radius) {
    cornerRadius_ = radius;
    update();
}

QPixmap DragSourceView::fittedPixmap() const {
    if (!image_ || width() <= 0 || height() <= 0) return {};
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    if (fitted_.isNull() || fitted_.devicePixelRatio() != ratio) {
        fitted_ = QPixmap::fromImage(image_->scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        fitted_.setDevicePixelRatio(ratio);
    }
    return fitted_;
}

void DragSourceView::paintEvent(QPaintEvent*) {
    const QPixmap pixmap = fittedPixmap();
    if (pixmap.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (cornerRadius_ > 0) {
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
        painter.setClipPath(clip);
    }
    painter.drawPixmap(offsetOf(pixmap, size()), pixmap);
}

void DragSourceView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitted_ = QPixmap();
}

void DragSourceView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    mouseDownPoint_ = event->scenePosition();
    event->accept();
}

void DragSourceView::mouseMoveEvent(QMouseEvent* event) {
    if (!mouseDownPoint_ || !(event->buttons() & Qt::LeftButton)) return;
    if (QLineF(*mouseDownPoint_, event->scenePosition()).length() <= dragThreshold) return;
    mouseDownPoint_.reset();
    beginDraggingSession(event->position());
}

void DragSourceView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    mouseDownPoint_.reset();
    emit doubleClicked();
}

void DragSourceView::beginDraggingSession(QPointF hotSpot) {
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(QFile::decodeName(fileURL_.native().c_str()))});
    // The receiver may fetch the file's address after the session, when this thumbnail has
    // already gone; the drag, which holds it, must not go with the view. Qt deletes it.
    auto* drag = new QDrag(qApp);
    drag->setMimeData(mime.release());
    if (const QPixmap pixmap = fittedPixmap(); !pixmap.isNull()) {
        drag->setPixmap(pixmap);
        const QPointF inside = hotSpot - offsetOf(pixmap, size());
        const QSizeF extent = pixmap.deviceIndependentSize();
        drag->setHotSpot(QPoint(qBound(0, qRound(inside.x()), int(extent.width())),
                                qBound(0, qRound(inside.y()), int(extent.height()))));
    }

    // The session runs a nested event loop, in which the view may go.
    const QPointer<DragSourceView> alive(this);
    emit dragBegan();
    Qt::DropAction performed = Qt::IgnoreAction;
    {
        InternalDropBlocker blocker;
        if (runner_) {
            performed = runner_(*drag);
            drag->deleteLater();
        } else {
            performed = drag->exec(Qt::CopyAction, Qt::CopyAction);
        }
    }
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (alive) emit dragEnded(performed != Qt::IgnoreAction);
}
