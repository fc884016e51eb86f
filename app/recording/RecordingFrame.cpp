#include "app/recording/RecordingFrame.h"

#include <QPainter>
#include <QRegion>

#include "app/base/GlimpoUIState.h"
#include "app/capture/DisplayService.h"

namespace {

constexpr int keepOnTopMilliseconds = 1000;

// The smallest rectangle of whole logical pixels that holds every one of `root`'s pixels: Qt
// places windows by logical pixels, which at a scale above 1 may start inside a root one.
QRect covering(const QRect& root) {
    QRect logical = DisplayService::widgetGeometry(root);
    for (int grown = 0; grown < 4; ++grown) {
        const QRect placed = DisplayService::rootGeometry(logical);
        if (placed.contains(root)) break;
        if (placed.left() > root.left()) logical.setLeft(logical.left() - 1);
        if (placed.top() > root.top()) logical.setTop(logical.top() - 1);
        if (placed.right() < root.right()) logical.setRight(logical.right() + 1);
        if (placed.bottom() < root.bottom()) logical.setBottom(logical.bottom() + 1);
    }
    return logical;
}

} // namespace

const QColor RecordingFrame::color(255, 59, 48);

RecordingFrame::RecordingFrame() : QWidget(nullptr) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Glimpo Recording Frame"));
    keepOnTop_.setInterval(keepOnTopMilliseconds);
    connect(&keepOnTop_, &QTimer::timeout, this, [this] {
        // The overlay belongs on top while the user picks from it.
        if (!GlimpoUIState::shared().openSurfaces().contains("overlay")) raise();
    });
}

void RecordingFrame::surround(const QRect& area, const QRect& display) {
    hole_ = covering(area);
    const QRect outer = hole_.adjusted(-thickness, -thickness, thickness, thickness);
    // Inside the display's logical pixels, so none of it lies on the display next door.
    QRect onDisplay = DisplayService::widgetGeometry(display);
    while (onDisplay.isValid() && !display.contains(DisplayService::rootGeometry(onDisplay)))
        onDisplay.adjust(1, 1, -1, -1);
    const QRect frame = outer & onDisplay;
    const QRegion ring = QRegion(frame) - QRegion(hole_);
    if (ring.isEmpty()) {
        orderOut();
        return;
    }
    setGeometry(frame);
    setMask(ring.translated(-frame.topLeft()));
    show();
    raise();
    keepOnTop_.start();
}

void RecordingFrame::orderOut() {
    keepOnTop_.stop();
    hide();
}

void RecordingFrame::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), color);
}
