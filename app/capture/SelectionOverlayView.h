#pragma once
// One overlay panel: a frameless, override-redirect window covering one display, showing the
// display's frozen pixels under the dimming, the selection or the highlighted window, and the
// label. It holds no selection state: it draws the state the function it is given reads, and
// reports pointer and key input as signals in global points.

#include <cstdint>
#include <functional>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QRegion>
#include <QWidget>

#include "app/capture/DisplayService.h"
#include "app/capture/OverlayDrawing.h"

class SelectionOverlayView : public QWidget {
    Q_OBJECT

public:
    using StateSource = std::function<OverlayDrawing::State()>;

    SelectionOverlayView(std::uint32_t displayID, StateSource state);

    std::uint32_t displayID() const { return displayID_; }
    const DisplayInfo& display() const { return display_; }
    // What the panel draws now.
    const OverlayDrawing::Scene& scene() const { return scene_; }

    // Covers `display` and shows `frozen` (its pixels at full resolution; black when null).
    void present(const DisplayInfo& display, const QImage& frozen);
    // Repaints whatever the current state changes.
    void refresh();
    // Hides the panel and lets go of its picture.
    void dismiss();

    // The labels' font: the system font at 11 points, medium weight.
    static QFont labelFont();

signals:
    // Pointer input in global points: moves without a button, and the left button's drag.
    void pointerMoved(kit::Point point);
    void pressed(kit::Point point);
    void dragged(kit::Point point);
    void released(kit::Point point);
    // Escape or the right button.
    void cancelled();
    // Space.
    void modeToggled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    OverlayDrawing::Scene currentScene() const;
    // Where a scene draws anything beyond the plain dimmed picture.
    QRegion footprint(const OverlayDrawing::Scene& scene) const;
    kit::Point globalPoint(const QPointF& local) const;

    std::uint32_t displayID_;
    StateSource state_;
    DisplayInfo display_;
    QImage frozen_;
    OverlayDrawing::Scene scene_;
    QFont font_;
    QFontMetricsF metrics_;
};
