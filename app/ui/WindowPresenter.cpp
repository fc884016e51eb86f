#include "app/ui/WindowPresenter.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Until the window manager has framed a window its frame is unknown; a title bar and thin
// borders are assumed, and corrected once the frame is there.
const QMargins assumedFrame(4, 32, 4, 4);

// Reports its own closing as it happens: a closed window lingers until its deferred deletion,
// and must not be brought back in that time. Keeps its fixed size fitting both its content and
// the area it was opened in; content taller than the area scrolls.
class PresentedWindow : public QWidget {
    Q_OBJECT

public:
    PresentedWindow(std::unique_ptr<QWidget> content, QRect area)
        : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
          area_(area),
          scroll_(new QScrollArea(this)),
          content_(content.get()) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(scroll_);
        scroll_->setFrameShape(QFrame::NoFrame);
        // The keyboard belongs to the content's controls; Tab still scrolls the focused one into view.
        scroll_->setFocusPolicy(Qt::NoFocus);
        scroll_->setWidgetResizable(true);
        scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll_->setWidget(content.release());
        content_->installEventFilter(this);
        fit();
    }

    // Centres the window in its area, its frame inside it.
    void place() {
        if (!area_.isValid()) return;
        QRect outer(QPoint(0, 0), size().grownBy(frame()));
        outer.moveCenter(area_.center());
        outer.moveLeft(std::max(outer.left(), area_.left()));
        outer.moveTop(std::max(outer.top(), area_.top()));
        move(outer.topLeft());
    }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override {
        QWidget::closeEvent(event);
        if (event->isAccepted()) emit closed();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // Content that grows or shrinks (an error line, a warning) resizes the window to fit again.
        if (watched == content_ && event->type() == QEvent::LayoutRequest) {
            QMetaObject::invokeMethod(this, [this] { fit(); }, Qt::QueuedConnection);
        }
        return QWidget::eventFilter(watched, event);
    }

    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        // The real frame has arrived: fit and place again with it, once.
        if (!framed_ && isVisible() && frameKnown()) {
            framed_ = true;
            fit();
            if (area_.isValid() && !area_.contains(geometry().marginsAdded(frame()))) place();
        }
    }

private:
    bool frameKnown() const { return frameGeometry() != geometry(); }

    QMargins frame() const {
        if (!frameKnown()) return assumedFrame;
        const QRect outer = frameGeometry();
        const QRect inner = geometry();
        return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                outer.bottom() - inner.bottom()};
    }

    void fit() {
        QSize wanted = content_->sizeHint().expandedTo(content_->minimumSize()).boundedTo(content_->maximumSize());
        // Wrapped text is as tall as the width it gets.
        if (content_->hasHeightForWidth()) wanted.setHeight(content_->heightForWidth(wanted.width()));
        wanted = wanted.expandedTo(content_->minimumSizeHint()).expandedTo(QSize(1, 1));
        if (area_.isValid()) {
            const QSize room = area_.size().shrunkBy(frame());
            const int bar = scroll_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
            if (wanted.height() > room.height()) {
                wanted.setHeight(std::max(1, room.height()));
                wanted.rwidth() += bar;
            }
            wanted.setWidth(std::max(1, std::min(wanted.width(), room.width())));
        }
        if (wanted != size() || minimumSize() != maximumSize()) setFixedSize(wanted);
        // Grown past the area's edge: back inside it.
        if (isVisible() && area_.isValid() && !area_.contains(geometry().marginsAdded(frame()))) place();
    }

    // The available area of the display it opened on.
    QRect area_;
    QScrollArea* scroll_;
    QWidget* content_;
    bool framed_ = false;
};

void bringToFront(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

WindowPresenter::WindowPresenter(PlacementArea placementArea, QObject* parent)
    : QObject(parent), placementArea_(std::move(placementArea)) {}

WindowPresenter::~WindowPresenter() {
    // Taken out first so that closing callbacks find nothing to forget.
    const auto open = std::exchange(windows_, {});
    for (const auto& [identifier, window] : open) {
        delete window.data();
    }
}

void WindowPresenter::show(const QString& identifier, const QString& title,
                           const ContentFactory& makeContent) {
    if (QWidget* open = window(identifier)) {
        bringToFront(*open);
        return;
    }

    std::unique_ptr<QWidget> content = makeContent ? makeContent() : nullptr;
    if (!content) {
        log_.error("window content missing identifier={}", identifier.toStdString());
        return;
    }

    auto window = std::make_unique<PresentedWindow>(std::move(content), placementArea());
    window->setObjectName(identifier);
    window->setWindowTitle(title);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->place();

    connect(window.get(), &PresentedWindow::closed, this,
            [this, identifier, raw = window.get()] { forget(identifier, raw); });

    // From here Qt deletes it on close, and the presenter's destructor deletes it otherwise.
    QWidget* shown = window.release();
    windows_[identifier] = shown;
    bringToFront(*shown);
    log_.debug("window shown identifier={}", identifier.toStdString());
}

void WindowPresenter::close(const QString& identifier) {
    if (QWidget* open = window(identifier)) {
        open->close();
    }
}

QWidget* WindowPresenter::window(const QString& identifier) const {
    const auto it = windows_.find(identifier);
    return it == windows_.end() ? nullptr : it->second.data();
}

void WindowPresenter::forget(const QString& identifier, const QWidget* window) {
    const auto it = windows_.find(identifier);
    if (it != windows_.end() && (it->second.isNull() || it->second.data() == window)) {
        windows_.erase(it);
    }
}

QRect WindowPresenter::placementArea() const {
    if (placementArea_) {
        return placementArea_();
    }
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen == nullptr ? QRect() : screen->availableGeometry();
}

#include "WindowPresenter.moc"
