#include "app/quickaccess/QuickAccessThumbnailView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

#include "app/quickaccess/DragSourceView.h"
#include "app/widgets/Drawing.h"
#include "kit/ThumbnailLayout.h"

namespace {

constexpr int margin = static_cast<int>(kit::ThumbnailLayout::bubbleMargin);
constexpr double cornerRadius = 10;
constexpr int closeInset = 2;
constexpr int buttonSpacing = 14;
constexpr int failurePadding = 10;
constexpr int failureSpacing = 6;
constexpr int copiedSpacing = 6;

QFont headlineFont() {
    return Drawing::font(13, QFont::DemiBold);
}

QFont captionFont() {
    return Drawing::font(10);
}

// The failure message above its "Try Again" button, centred in the thumbnail with padding.
struct FailureLayout {
    QRectF text;
    QRect button;
};

FailureLayout failureLayout(const QString& message, const QRect& area) {
    const QRect inner = area.adjusted(failurePadding, failurePadding, -failurePadding, -failurePadding);
    const QSize button = ThumbnailButton::capsule;
    const QFontMetricsF metrics(captionFont());
    const double roomForText = std::max(0, inner.height() - failureSpacing - button.height());
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, inner.width(), 1e6),
                                               Qt::AlignHCenter | Qt::TextWordWrap, message);
    const double textHeight = std::min(bounds.height(), roomForText);
    const double total = textHeight + failureSpacing + button.height();
    const double top = inner.top() + (inner.height() - total) / 2;
    FailureLayout layout;
    layout.text = QRectF(inner.left(), top, inner.width(), textHeight);
    layout.button = QRect(inner.left() + (inner.width() - button.width()) / 2,
                          static_cast<int>(std::lround(top + textHeight + failureSpacing)), button.width(),
                          button.height());
    return layout;
}

} // namespace

// The scrim and the status content above the picture, and the frame's border. It takes no mouse
// events, so a drag that starts on the scrim still reaches the picture.
class QuickAccessThumbnailView::Overlay : public QWidget {
public:
    explicit Overlay(QuickAccessThumbnailView& view) : QWidget(&view), view_(view) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QRectF area(rect());
        if (view_.overlayShown_) {
            painter.save();
            painter.setClipPath(Drawing::roundedBox(area, cornerRadius));
            painter.fillRect(area, QColor(0, 0, 0, qRound(0.45 * 255)));
            paintStatus(painter);
            painter.restore();
        }
        painter.setPen(QPen(QColor(255, 255, 255, qRound(0.35 * 255)), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(Drawing::roundedBox(area.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius));
    }

private:
    void paintStatus(QPainter& painter) {
        const ThumbnailModel::Status& status = view_.model_->status();
        switch (status.kind) {
        case ThumbnailModel::Status::Kind::idle:
            return;
        case ThumbnailModel::Status::Kind::copied:
            paintCopied(painter);
            return;
        case ThumbnailModel::Status::Kind::failed:
            paintFailure(painter, QString::fromStdString(status.message));
            return;
        }
    }

    void paintCopied(QPainter& painter) {
        const QFont font = headlineFont();
        const QFontMetricsF metrics(font);
        const QString text = QStringLiteral("Copied");
        const double iconSide = std::ceil(metrics.height());
        const double width = iconSide + copiedSpacing + metrics.horizontalAdvance(text);
        const QRectF line((this->width() - width) / 2, (height() - iconSide) / 2, width, iconSide);
        Drawing::tintedGlyph(painter, "checkmark.circle.fill", QRectF(line.topLeft(), QSizeF(iconSide, iconSide)), Qt::white,
                  devicePixelRatioF());
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(line.adjusted(iconSide + copiedSpacing, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    }

    void paintFailure(QPainter& painter, const QString& message) {
        painter.fillRect(rect(), QColor(255, 0, 0, qRound(0.35 * 255)));
        const FailureLayout layout = failureLayout(message, rect());
        painter.setFont(captionFont());
        painter.setPen(Qt::white);
        painter.setClipRect(layout.text, Qt::IntersectClip);
        painter.drawText(layout.text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, message);
    }

    QuickAccessThumbnailView& view_;
};

ThumbnailIconButton::ThumbnailIconButton(std::string systemImage, const QString& help, QWidget* parent)
    : QAbstractButton(parent) {
    setFixedSize(diameter, diameter);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setContent(std::move(systemImage), help);
}

void ThumbnailIconButton::setContent(std::string systemImage, const QString& help) {
    systemImage_ = std::move(systemImage);
    setToolTip(help);
    setAccessibleName(help);
    update();
}

void ThumbnailIconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, qRound((isDown() ? 0.75 : 0.92) * 255)));
    painter.drawEllipse(QRectF(rect()));
    Drawing::tintedGlyph(painter, systemImage_, QRectF(0, 0, 17, 17).translated((width() - 17) / 2.0, (height() - 17) / 2.0),
              Qt::black, devicePixelRatioF());
}

bool ThumbnailIconButton::hitButton(const QPoint& pos) const {
    const QPointF centre = QRectF(rect()).center();
    return QLineF(centre, pos).length() <= diameter / 2.0;
}

ThumbnailButton::ThumbnailButton(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setAccessibleName(title);
    setFixedSize(capsule);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void ThumbnailButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, qRound((isDown() ? 0.7 : 0.9) * 255)));
    const QRectF capsuleRect(rect());
    painter.drawRoundedRect(capsuleRect, capsuleRect.height() / 2, capsuleRect.height() / 2);
    painter.setFont(Drawing::font(12, QFont::DemiBold));
    painter.setPen(Qt::black);
    painter.drawText(capsuleRect, Qt::AlignCenter, text());
}

ThumbnailCloseButton::ThumbnailCloseButton(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(diameter, diameter);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor(0, 0, 0, qRound(0.35 * 255)));
    shadow->setBlurRadius(6);
    shadow->setOffset(0, 1);
    setGraphicsEffect(shadow);
}

void ThumbnailCloseButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isDown() ? QColor(220, 220, 220) : QColor(Qt::white));
    painter.drawEllipse(QRectF(rect()));
    Drawing::tintedGlyph(painter, "xmark", QRectF(0, 0, 10, 10).translated((width() - 10) / 2.0, (height() - 10) / 2.0),
              Qt::black, devicePixelRatioF());
}

bool ThumbnailCloseButton::hitButton(const QPoint& pos) const {
    return QLineF(QRectF(rect()).center(), pos).length() <= diameter / 2.0;
}

QuickAccessThumbnailView::QuickAccessThumbnailView(std::shared_ptr<ThumbnailModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    setFixedSize(contentSize());
    setMouseTracking(true);
    const Capture& capture = model_->capture();
    const QRect thumbnail = thumbnailRect();

    // File and picture follow the model: a movie's picture arrives later, an edited one replaces both.
    dragSource_ = new DragSourceView(capture.fileURL, model_->preview(), this);
    dragSource_->setGeometry(thumbnail);
    dragSource_->setCornerRadius(cornerRadius);
    connect(dragSource_, &DragSourceView::dragBegan, this, [this] { model_->setDragging(true); });
    connect(dragSource_, &DragSourceView::dragEnded, this, [this](bool accepted) {
        model_->setDragging(false);
        emit actions_.dragEnded(accepted);
    });
    connect(dragSource_, &DragSourceView::doubleClicked, this, [this] {
        if (model_->capture().kind == kit::CaptureKind::image) emit actions_.edit();
    });

    overlay_ = new Overlay(*this);
    overlay_->setGeometry(thumbnail);

    // An unsaved capture offers save and copy; a saved one, copy and showing it in its folder.
    first_ = new ThumbnailIconButton({}, {}, this);
    second_ = new ThumbnailIconButton({}, {}, this);
    connect(first_, &QAbstractButton::clicked, this, [this] {
        if (model_->capture().isSaved) {
            emit actions_.copy();
        } else {
            emit actions_.save();
        }
    });
    connect(second_, &QAbstractButton::clicked, this, [this] {
        if (model_->capture().isSaved) {
            emit actions_.showInFolder();
        } else {
            emit actions_.copy();
        }
    });
    const int rowWidth = 2 * ThumbnailIconButton::diameter + buttonSpacing;
    const QPoint row(thumbnail.left() + (thumbnail.width() - rowWidth) / 2,
                     thumbnail.top() + (thumbnail.height() - ThumbnailIconButton::diameter) / 2);
    first_->move(row);
    second_->move(row + QPoint(ThumbnailIconButton::diameter + buttonSpacing, 0));

    tryAgain_ = new ThumbnailButton(QStringLiteral("Try Again"), this);
    connect(tryAgain_, &QAbstractButton::clicked, &actions_, &ThumbnailActions::save);

    close_ = new ThumbnailCloseButton(this);
    close_->move(closeInset, closeInset);
    connect(close_, &QAbstractButton::clicked, &actions_, &ThumbnailActions::close);

    observeChanges(this, [this] { refresh(); });
}

QuickAccessThumbnailView::~QuickAccessThumbnailView() = default;

QSize QuickAccessThumbnailView::contentSize() {
    const auto size = kit::ThumbnailLayout::size;
    return {static_cast<int>(size.width) + 2 * margin, static_cast<int>(size.height) + 2 * margin};
}

QRect QuickAccessThumbnailView::thumbnailRect() {
    const auto size = kit::ThumbnailLayout::size;
    return {margin, margin, static_cast<int>(size.width), static_cast<int>(size.height)};
}

QRegion QuickAccessThumbnailView::drawnShape() {
    QRegion shape(Drawing::roundedBox(QRectF(thumbnailRect()), cornerRadius).toFillPolygon().toPolygon());
    // The close circle with room for its shadow.
    shape += QRegion(QRect(closeInset - 1, closeInset - 1, ThumbnailCloseButton::diameter + 2,
                           ThumbnailCloseButton::diameter + 3),
                     QRegion::Ellipse);
    return shape;
}

void QuickAccessThumbnailView::refresh() {
    const Capture& capture = model_->capture();
    dragSource_->setFileURL(capture.fileURL);
    dragSource_->setImage(model_->preview());
    if (capture.isSaved) {
        first_->setContent("doc.on.doc", QStringLiteral("Copy"));
        second_->setContent("folder", QStringLiteral("Show in Folder"));
    } else {
        first_->setContent("square.and.arrow.down", QStringLiteral("Save"));
        second_->setContent("doc.on.doc", QStringLiteral("Copy"));
    }
    const QString closeLabel = capture.isSaved ? QStringLiteral("Close") : QStringLiteral("Discard");
    close_->setToolTip(closeLabel);
    close_->setAccessibleName(closeLabel);
    const ThumbnailModel::Status& status = model_->status();
    overlayShown_ = model_->isHovering() || !status.isIdle();

    first_->setVisible(overlayShown_ && status.isIdle());
    second_->setVisible(overlayShown_ && status.isIdle());
    const bool failed = status.kind == ThumbnailModel::Status::Kind::failed;
    if (failed) {
        const QRect button = failureLayout(QString::fromStdString(status.message), QRect(QPoint(), thumbnailRect().size())).button;
        tryAgain_->move(thumbnailRect().topLeft() + button.topLeft());
    }
    tryAgain_->setVisible(failed);
    close_->raise();
    overlay_->update();
}

void QuickAccessThumbnailView::setHovering(bool hovering) {
    // Crossing into a child and back is no new entry.
    if (model_->isHovering() == hovering) return;
    model_->setHovering(hovering);
    emit actions_.hoverChanged(hovering);
}

void QuickAccessThumbnailView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHovering(true);
}

void QuickAccessThumbnailView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovering(false);
}

void QuickAccessThumbnailView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // White at 0.12 under 0.92 opacity; opaque where the window cannot be translucent.
    const int level = qRound(0.12 * 255);
    const int alpha = Drawing::drawsTranslucent(*this) ? qRound(0.92 * 255) : 255;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(level, level, level, alpha));
    painter.drawPath(Drawing::roundedBox(QRectF(thumbnailRect()), cornerRadius));
}
