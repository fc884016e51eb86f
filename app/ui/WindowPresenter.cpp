#include "app/ui/WindowPresenter.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// Reports its own closing as it happens: a closed window lingers until its deferred deletion,
// and must not be brought back in that time.
class PresentedWindow : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override {
        QWidget::closeEvent(event);
        if (event->isAccepted() && onClose) {
            const auto notify = std::move(onClose);
            onClose = nullptr;
            notify();
        }
    }
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

    auto window = std::make_unique<PresentedWindow>(
        nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                     Qt::CustomizeWindowHint);
    window->setObjectName(identifier);
    window->setWindowTitle(title);
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content.release());

    QSize size = window->sizeHint();
    if (!size.isValid() || size.isEmpty()) {
        size = window->minimumSizeHint().expandedTo(QSize(1, 1));
    }
    window->setFixedSize(size);

    const QRect area = placementArea();
    if (area.isValid()) {
        QRect frame(QPoint(0, 0), size);
        frame.moveCenter(area.center());
        window->move(frame.topLeft());
    }

    window->onClose = [presenter = QPointer<WindowPresenter>(this), identifier,
                       raw = window.get()] {
        if (presenter) {
            presenter->forget(identifier, raw);
        }
    };

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
