#include "app/ui/AllInOneController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <qcoro/qcorotask.h>
#include <qcoro/qcorotimer.h>

#include <chrono>

#include "app/base/GlimpoUIState.h"
#include "app/base/Observation.h"
#include "app/platform/x11/PanelWindow.h"
#include "app/ui/AllInOneBarView.h"
#include "app/ui/AllInOnePanel.h"

namespace {

using namespace std::chrono_literals;

const std::string surfaceName = "allInOne";
// How long the window manager may take to take the bar down.
constexpr auto goneLimit = 500ms;
constexpr auto pollInterval = 5ms;
// What the bar covered is redrawn within a couple of frames after it went.
constexpr auto redrawTime = 35ms;

// `work` runs only while `owner` exists.
QCoro::Task<void> runWhenGone(QPointer<AllInOnePanel> panel, QPointer<QObject> owner, std::function<void()> work) {
    if (panel && platform::x11::isShowing(*panel)) {
        QElapsedTimer clock;
        clock.start();
        while (panel && platform::x11::isShowing(*panel) && std::chrono::milliseconds(clock.elapsed()) < goneLimit) {
            co_await QCoro::sleepFor(pollInterval);
        }
        co_await QCoro::sleepFor(redrawTime);
    }
    if (owner) work();
}

} // namespace

AllInOneController::AllInOneController(AppSettings& settings, DisplayLocator* displays, QObject* parent)
    : QObject(parent), settings_(settings), displays_(displays) {
    // A recording that starts or ends while the bar is open moves it off the recorded area.
    if (displays_) {
        observeChanges(this, [this] {
            displays_->recordedArea();
            if (isOpen()) place();
        });
    }
}

AllInOneController::~AllInOneController() {
    if (isOpen()) GlimpoUIState::shared().remove(surfaceName);
    if (keyMonitor_ && qApp) qApp->removeEventFilter(this);
}

AllInOneBarView* AllInOneController::view() const {
    return panel_ ? qobject_cast<AllInOneBarView*>(panel_->content()) : nullptr;
}

bool AllInOneController::isOpen() const {
    return panel_ && panel_->isVisible();
}

void AllInOneController::toggle() {
    if (isOpen()) {
        close();
    } else {
        open();
    }
}

void AllInOneController::makePanel() {
    // What the user chose in the bar outlives a panel rebuilt for a compositor that came or went.
    const AllInOneBarView* old = view();
    const bool showsOptions = old && old->showsRecordingOptions();
    const bool fullscreen = old && old->recordsFullscreen();

    if (panel_) panel_->orderOut();
    panel_ = std::make_unique<AllInOnePanel>();
    auto content = std::make_unique<AllInOneBarView>(settings_);
    const AllInOneActions& actions = content->actions();
    connect(&actions, &AllInOneActions::capture, this, [this](kit::CaptureAction action) {
        close();
        whenGone([this, action] { emit captureChosen(action); });
    });
    connect(&actions, &AllInOneActions::record, this, [this](bool fullscreen) {
        close();
        whenGone([this, fullscreen] { emit recordingChosen(fullscreen); });
    });
    connect(&actions, &AllInOneActions::close, this, &AllInOneController::close);
    content->setShowsRecordingOptions(showsOptions);
    if (fullscreen) content->fullscreenSegment()->setChecked(true);
    connect(content.get(), &AllInOneBarView::fittingSizeChanged, this, [this] {
        if (isOpen()) place();
    });
    panel_->setContent(std::move(content));
}

void AllInOneController::place() {
    AllInOneBarView* content = view();
    const QSize size = content ? content->sizeHint() : QSize();
    if (screen_ && displays_) {
        const kit::Rect& visible = screen_->visibleFrame;
        const kit::Rect frame = kit::Rect::make(visible.midX() - size.width() / 2.0, visible.minY() + heightAboveBottom,
                                                size.width(), size.height());
        panel_->setFrame(
            displays_->toTopLeft(clearOfRecording(*displays_, *screen_, frame, &DisplayLocator::Screen::visibleFrame)),
            false);
    } else {
        panel_->setFrame(QRect(panel_->targetFrame().topLeft(), size), false);
    }
    if (content) content->setGeometry(QRect(QPoint(), size));
    panel_->setShape(AllInOneBarView::drawnShape(size));
}

void AllInOneController::open() {
    if (!panel_ || panel_->isTranslucent() != platform::x11::compositingManagerRunning()) makePanel();
    screen_ = displays_ ? screenUnderPointer(*displays_) : std::nullopt;
    place();

    previousFocus_ = platform::x11::activeWindow();
    panel_->orderFrontAndMakeKey();
    if (AllInOneBarView* content = view()) content->setFocus(Qt::ActiveWindowFocusReason);

    GlimpoUIState::shared().insert(surfaceName);
    if (!keyMonitor_) {
        qApp->installEventFilter(this);
        keyMonitor_ = true;
    }
}

void AllInOneController::close() {
    if (panel_) {
        const bool hadFocus = panel_->isActiveWindow();
        panel_->orderOut();
        // The window manager may hand the focus elsewhere; it goes back where the user had it.
        if (hadFocus && previousFocus_ != 0) platform::x11::activate(previousFocus_);
    }
    previousFocus_ = 0;
    GlimpoUIState::shared().remove(surfaceName);
    if (keyMonitor_) {
        qApp->removeEventFilter(this);
        keyMonitor_ = false;
    }
}

void AllInOneController::whenGone(std::function<void()> work) {
    runWhenGone(QPointer<AllInOnePanel>(panel_.get()), QPointer<QObject>(this), std::move(work));
}

bool AllInOneController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
