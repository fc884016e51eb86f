#include "app/quickaccess/ToastController.h"

#include <QEvent>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "app/base/Observation.h"
#include "app/platform/x11/PanelWindow.h"
#include "app/widgets/FloatingPanel.h"
#include "app/quickaccess/ToastView.h"

namespace {
// The longest a notice may wait to be drawn before its time runs all the same.
constexpr int drawingAllowance = 1000;
} // namespace

ToastController::ToastController(std::shared_ptr<DisplayLocator> screens, QObject* parent)
    : QObject(parent), screens_(std::move(screens)) {
    hideTask_.setSingleShot(true);
    hideTask_.setTimerType(Qt::PreciseTimer);
    connect(&hideTask_, &QTimer::timeout, this, [this] {
        if (panel_) panel_->orderOut();
    });
    // A recording that starts or ends while a notice shows moves it off the recorded area.
    if (screens_) {
        observeChanges(this, [this] {
            screens_->recordedArea();
            if (isShowing()) place();
        });
    }
}

ToastController::~ToastController() = default;

void ToastController::show(const std::string& message, const std::string& systemImage, std::optional<double> seconds) {
    Q_ASSERT(QThread::currentThread() == thread());
    // Whatever notice is being replaced, its timer must not hide this one.
    hideTask_.stop();
    // A compositing manager that came or went since the panel was made changes what it can draw.
    if (!panel_ || panel_->isTranslucent() != platform::x11::compositingManagerRunning()) {
        if (panel_) panel_->orderOut();
        panel_ = std::make_unique<FloatingPanel>(
            FloatingPanel::Options{.ignoresMouse = true, .title = QStringLiteral("Glimpo Notice")});
    }

    undrawnMilliseconds_.reset();
    auto view = std::make_unique<ToastView>(message, systemImage);
    view->installEventFilter(this);
    size_ = view->sizeHint();
    ToastView& shown = *view;
    panel_->setContent(std::move(view));

    place();
    shown.setGeometry(QRect(QPoint(), size_));
    panel_->setShape(ToastView::drawnShape(size_));
    panel_->showInFront();

    if (seconds) {
        const double wait = std::isfinite(*seconds) ? std::clamp(*seconds, 0.0, INT_MAX / 1000.0 - 1) : 0.0;
        const int milliseconds = static_cast<int>(std::lround(wait * 1000.0));
        // Started again when the notice is drawn; a notice the server never shows still goes.
        undrawnMilliseconds_ = milliseconds;
        hideTask_.start(milliseconds + drawingAllowance);
    }
}

void ToastController::place() {
    const auto screen = screens_ ? screenUnderPointer(*screens_) : std::nullopt;
    if (!screen) {
        // Where it last was, at the size of the new notice.
        panel_->setFrame(QRect(panel_->targetFrame().topLeft(), size_), false);
        return;
    }
    const kit::Rect& frame = screen->frame;
    const kit::Rect centred = kit::Rect::make(frame.midX() - size_.width() / 2.0, frame.midY() - size_.height() / 2.0,
                                              size_.width(), size_.height());
    panel_->setFrame(screens_->toTopLeft(clearOfRecording(*screens_, *screen, centred, &DisplayLocator::Screen::frame)),
                     false);
}

bool ToastController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && undrawnMilliseconds_ && panel_ && watched == panel_->content())
        hideTask_.start(*std::exchange(undrawnMilliseconds_, std::nullopt));
    return QObject::eventFilter(watched, event);
}

const ToastView* ToastController::currentView() const {
    if (!panel_ || !panel_->isVisible()) return nullptr;
    return qobject_cast<const ToastView*>(panel_->content());
}

bool ToastController::isShowing() const {
    return panel_ && panel_->isVisible();
}
