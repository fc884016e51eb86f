#include "app/widgets/FloatingPanel.h"

#include <QEasingCurve>
#include <QElapsedTimer>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <qcoro/qcorotimer.h>

#include <chrono>

#include "app/platform/Session.h"
#include "app/platform/x11/PanelWindow.h"

namespace {

using namespace std::chrono_literals;

// How long the window manager may take to take a panel down.
constexpr auto goneLimit = 500ms;
constexpr auto pollInterval = 5ms;
// What a panel covered is redrawn within a couple of frames after it went.
constexpr auto redrawTime = 35ms;

} // namespace

FloatingPanel::FloatingPanel(Options options)
    : QWidget(nullptr), translucent_(platform::x11::compositingManagerRunning()) {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus;
    // A reparenting window manager wraps a managed window in a frame of its own that would
    // still catch the clicks; a click-through panel therefore stays unmanaged, which also keeps
    // it on every workspace.
    if (options.ignoresMouse) flags |= Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint;
    // A Wayland compositor places Xwayland's managed windows itself (sway centres them), so there
    // the panels stay unmanaged to sit where they are put.
    if (platform::Session::isWayland()) flags |= Qt::X11BypassWindowManagerHint;
    setWindowFlags(flags);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Qt shows tooltips in the active window only, and a panel never becomes active.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    // The visual is chosen when the native window is made, so this must come first.
    if (translucent_) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAutoFillBackground(false);
    }
    if (options.ignoresMouse) setAttribute(Qt::WA_TransparentForMouseEvents);
    setWindowTitle(options.title);
}

FloatingPanel::~FloatingPanel() = default;

void FloatingPanel::setContent(std::unique_ptr<QWidget> content) {
    if (content_) {
        content_->hide();
        content_->deleteLater();
    }
    content_ = content.release();
    if (!content_) return;
    content_->setParent(this);
    content_->setGeometry(rect());
    content_->show();
}

void FloatingPanel::setShape(const QRegion& shape) {
    shape_ = shape;
    applyShape();
}

void FloatingPanel::applyShape() {
    if (translucent_ || shape_.isEmpty()) {
        clearMask();
    } else {
        setMask(shape_);
    }
}

void FloatingPanel::setFrame(const QRect& frame, bool animate) {
    // Qt's idea of where a freshly mapped window is can lag behind the window manager's, so a
    // slide starts from where this panel last put itself.
    const QRect from = isAnimating() ? slide_->currentValue().toRect() : frame_;
    if (slide_) slide_->stop();
    frame_ = frame;
    if (!animate || !from.isValid() || from == frame) {
        setGeometry(frame);
        return;
    }
    if (!slide_) {
        slide_ = std::make_unique<QPropertyAnimation>(this, "geometry");
        slide_->setDuration(slideMilliseconds);
        slide_->setEasingCurve(QEasingCurve::InOutQuad);
    }
    slide_->setStartValue(from);
    slide_->setEndValue(frame);
    slide_->start();
}

QRect FloatingPanel::targetFrame() const {
    return frame_.isValid() ? frame_ : geometry();
}

bool FloatingPanel::isAnimating() const {
    return slide_ && slide_->state() == QAbstractAnimation::Running;
}

void FloatingPanel::showInFront() {
    if (isVisible()) {
        raise();
        return;
    }
    // The window manager forgets a window's state when it is withdrawn. A window mapped anew
    // comes up on top of its layer.
    platform::x11::makeSticky(*this);
    show();
}

void FloatingPanel::orderOut() {
    if (slide_) slide_->stop();
    hide();
}

QCoro::Task<void> FloatingPanel::untilGone(QPointer<FloatingPanel> panel) {
    if (!panel || !platform::x11::isShowing(*panel)) co_return;
    QElapsedTimer clock;
    clock.start();
    while (panel && platform::x11::isShowing(*panel) && std::chrono::milliseconds(clock.elapsed()) < goneLimit) {
        co_await QCoro::sleepFor(pollInterval);
    }
    co_await QCoro::sleepFor(redrawTime);
}

void FloatingPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (content_) content_->setGeometry(rect());
}
