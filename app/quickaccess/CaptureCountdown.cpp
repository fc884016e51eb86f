#include "app/quickaccess/CaptureCountdown.h"

#include <QPointer>

#include "app/platform/x11/PanelWindow.h"
#include "app/quickaccess/ToastView.h"
#include "app/widgets/FloatingPanel.h"

CaptureCountdown::CaptureCountdown(DisplayLocator* screens, QObject* parent)
    : QObject(parent), screens_(screens) {
    ticker_.setInterval(1000);
    ticker_.setTimerType(Qt::PreciseTimer);
    connect(&ticker_, &QTimer::timeout, this, &CaptureCountdown::tick);
}

CaptureCountdown::~CaptureCountdown() = default;

void CaptureCountdown::start(kit::CaptureAction action, int seconds) {
    ++run_;
    action_ = action;
    remaining_ = std::max(seconds, 1);
    running_.set(true);
    show();
    ticker_.start();
}

void CaptureCountdown::cancel() {
    ++run_;
    ticker_.stop();
    if (panel_) panel_->orderOut();
    running_.set(false);
}

void CaptureCountdown::tick() {
    if (--remaining_ > 0) {
        show();
        return;
    }
    ticker_.stop();
    finish(run_);
}

QCoro::Task<void> CaptureCountdown::finish(int run) {
    QPointer<CaptureCountdown> self(this);
    if (panel_) panel_->orderOut();
    co_await FloatingPanel::untilGone(panel_.get());
    // Cancelled or started anew meanwhile.
    if (!self || run != run_) co_return;
    running_.set(false);
    emit finished();
}

void CaptureCountdown::show() {
    // A compositing manager that came or went since the panel was made changes what it can draw.
    if (!panel_ || panel_->isTranslucent() != platform::x11::compositingManagerRunning()) {
        if (panel_) panel_->orderOut();
        panel_ = std::make_unique<FloatingPanel>(
            FloatingPanel::Options{.ignoresMouse = true, .title = QStringLiteral("Glimpo Countdown")});
    }
    const QString text = action_ == kit::CaptureAction::recording
                             ? tr("Recording in %n second(s). Esc cancels.", nullptr, remaining_)
                             : tr("Capturing in %n second(s). Esc cancels.", nullptr, remaining_);
    auto view = std::make_unique<ToastView>(text.toStdString(), "timer");
    const QSize size = view->sizeHint();
    ToastView& shown = *view;
    panel_->setContent(std::move(view));

    const auto screen = screens_ ? screenUnderPointer(*screens_) : std::nullopt;
    if (screen) {
        // The lower right corner: the place of a note that waits, away from what is captured.
        const kit::Rect& visible = screen->visibleFrame;
        const kit::Rect corner = kit::Rect::make(visible.maxX() - cornerInset - size.width(),
                                                 visible.minY() + cornerInset, size.width(), size.height());
        panel_->setFrame(screens_->toTopLeft(corner), false);
    } else {
        panel_->setFrame(QRect(panel_->targetFrame().topLeft(), size), false);
    }
    shown.setGeometry(QRect(QPoint(), size));
    panel_->setShape(ToastView::drawnShape(size));
    panel_->showInFront();
}
