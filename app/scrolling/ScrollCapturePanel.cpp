#include "app/scrolling/ScrollCapturePanel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "app/capture/DisplayService.h"
#include "app/widgets/Drawing.h"

namespace {

// Panel size in points; its height follows the area's, within these.
constexpr int panelWidth = 220, shortestPanel = 320, gap = 12;
// The strip is kept this many pixels wide, and drawn smaller still once it is tall.
constexpr int stripWidth = 200;
constexpr double cornerRadius = 10;

// The panel's rounded background under its parts.
class Background : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Drawing::panelBackground(painter, *this, cornerRadius);
    }
};

} // namespace

// The strip, scaled to the panel's width and then down until it fits the space it has.
class ScrollCapturePanel::StripView : public QWidget {
public:
    using QWidget::QWidget;

    void update(const std::uint32_t* rows, int width, int height, int changedFrom) {
        const double scale = std::min(1.0, double(stripWidth) / width);
        const int shownWidth = std::max(1, int(std::lround(width * scale)));
        const int shownHeight = std::max(1, int(std::lround(height * scale)));
        if (strip_.width() != shownWidth || strip_.height() != shownHeight) {
            QImage grown(shownWidth, shownHeight, QImage::Format_RGB32);
            grown.fill(Qt::white);
            QPainter copy(&grown);
            copy.drawImage(0, 0, strip_);
            strip_ = std::move(grown);
        }
        changedFrom = std::clamp(changedFrom, 0, height - 1);
        const int top = int(std::floor(changedFrom * scale));
        // The picture's own rows, not copied.
        const QImage changed(reinterpret_cast<const uchar*>(rows + std::size_t(changedFrom) * width), width,
                             height - changedFrom, width * 4, QImage::Format_RGB32);
        QPainter painter(&strip_);
        painter.drawImage(QRect(0, top, shownWidth, shownHeight - top),
                          changed.scaled(shownWidth, std::max(1, shownHeight - top), Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation));
        QWidget::update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (strip_.isNull()) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF fits = QSizeF(strip_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
        const QSizeF shown(std::min<double>(fits.width(), strip_.width()), std::min<double>(fits.height(), strip_.height()));
        const QRectF box((width() - shown.width()) / 2, 0, shown.width(), shown.height());
        painter.drawImage(box, strip_);
        painter.setPen(QPen(Drawing::faint(palette(), 0.3), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(-0.5, -0.5, 0.5, 0.5));
    }

private:
    QImage strip_;
};

ScrollCapturePanel::ScrollCapturePanel()
    : FloatingPanel({.ignoresMouse = false, .title = QStringLiteral("Glimpo Scrolling Capture")}) {
    auto content = std::make_unique<Background>();
    auto* column = new QVBoxLayout(content.get());
    column->setContentsMargins(12, 10, 12, 12);
    column->setSpacing(8);
    auto* title = new QLabel(tr("Scrolling Capture"), content.get());
    title->setFont(Drawing::font(13, QFont::DemiBold));
    column->addWidget(title);
    strip_ = new StripView(content.get());
    column->addWidget(strip_, 1);
    size_ = new QLabel(content.get());
    size_->setFont(Drawing::font(11));
    column->addWidget(size_);
    hint_ = new QLabel(content.get());
    hint_->setWordWrap(true);
    hint_->setFont(Drawing::font(12));
    column->addWidget(hint_);
    stop_ = new QPushButton(content.get());
    stop_->setFocusPolicy(Qt::NoFocus);
    column->addWidget(stop_);
    connect(stop_, &QPushButton::clicked, this, &ScrollCapturePanel::stopClicked);
    setContent(std::move(content));
    setMode(Mode::scrolling);
}

ScrollCapturePanel::~ScrollCapturePanel() = default;

void ScrollCapturePanel::setMode(Mode mode) {
    switch (mode) {
    case Mode::scrolling:
        hint_->setText(tr("Glimpo is scrolling. Press Esc or Enter, or click, to stop. To scroll yourself, "
                          "point at the area."));
        stop_->setText(tr("Stop"));
        break;
    case Mode::byHand:
        hint_->setText(tr("Scroll the area now, with the wheel or the keys. Press Enter or click Done at the end."));
        stop_->setText(tr("Done"));
        break;
    case Mode::byHandNothingScrolled:
        hint_->setText(tr("The area didn't scroll by itself. Scroll it with the wheel or the keys, then press "
                          "Enter or click."));
        stop_->setText(tr("Done"));
        break;
    }
}

void ScrollCapturePanel::showStrip(const std::uint32_t* rows, int width, int height, int changedFrom) {
    if (!rows || width <= 0 || height <= 0) return;
    strip_->update(rows, width, height, changedFrom);
    size_->setText(tr("%Ln pixel(s) tall", nullptr, height));
}

std::optional<QRect> ScrollCapturePanel::placeBeside(const QRect& area, const QRect& screen, const QSize& size, int gap) {
    const int top = std::clamp(area.top(), screen.top() + gap, std::max(screen.top() + gap, screen.bottom() + 1 - gap - size.height()));
    const int left = std::clamp(area.left(), screen.left() + gap, std::max(screen.left() + gap, screen.right() + 1 - gap - size.width()));
    const QRect candidates[] = {
        QRect(QPoint(area.right() + 1 + gap, top), size),
        QRect(QPoint(area.left() - gap - size.width(), top), size),
        QRect(QPoint(left, area.bottom() + 1 + gap), size),
        QRect(QPoint(left, area.top() - gap - size.height()), size),
    };
    for (const QRect& candidate : candidates)
        if (screen.contains(candidate) && !candidate.intersects(area)) return candidate;
    return std::nullopt;
}

bool ScrollCapturePanel::showBeside(const QRect& rootArea, const DisplayLayout& layout) {
    const double scale = layout.scale();
    std::vector<const DisplayInfo*> order;
    for (const DisplayInfo& display : layout.displays())
        if (display.pixels.intersects(rootArea)) order.push_back(&display);
    for (const DisplayInfo& display : layout.displays())
        if (!display.pixels.intersects(rootArea)) order.push_back(&display);

    rootFrame_.reset();
    for (const DisplayInfo* display : order) {
        const int height = std::clamp(rootArea.height(), int(shortestPanel * scale),
                                      std::max(int(shortestPanel * scale), display->pixels.height() - int(2 * gap * scale)));
        const QSize size(int(panelWidth * scale), height);
        if (auto place = placeBeside(rootArea, display->pixels, size, int(gap * scale))) {
            rootFrame_ = place;
            break;
        }
    }
    if (!rootFrame_) return false;
    setFrame(DisplayService::widgetGeometry(*rootFrame_), false);
    setShape(Drawing::roundedShape(size(), cornerRadius));
    showInFront();
    return true;
}

std::optional<QRect> ScrollCapturePanel::rootFrame() const {
    if (!isVisible()) return std::nullopt;
    return rootFrame_;
}
