#pragma once
// One overlay panel: a frameless, override-redirect window covering one display, showing the
// display's frozen pixels under the dimming, the selection or the highlighted window, and the
// label. It holds no selection state: it draws what its controller holds and forwards pointer
// and key events to it as global points.

#include <cstdint>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QRegion>
#include <QWidget>

#include "app/capture/DisplayService.h"
#include "app/capture/OverlayDrawing.h"

class PanelSelectionOverlayController;

class SelectionOverlayView : public QWidget {
    Q_OBJECT

public:
    SelectionOverlayView(PanelSelectionOverlayController& controller, std::uint32_t displayID);

    std::uint32_t displayID() const { return displayID_; }
    const DisplayInfo& display() const { return display_; }
    // What the panel draws now.
    const OverlayDrawing::Scene& scene() const { return scene_; }

    // Covers `display` and shows `frozen` (its pixels at full resolution; black when null).
    void present(const DisplayInfo& display, const QImage& frozen);
    // Repaints whatever the controller's current state changes.
    void refresh();

    // The labels' font: the system font at 11 points, medium weight.
    static QFont labelFont();

signals:
    // After every paint; the benchmark waits for the first one on every display.
    void painted();

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

    PanelSelectionOverlayController& controller_;
    std::uint32_t displayID_;
    DisplayInfo display_;
    QImage frozen_;
    OverlayDrawing::Scene scene_;
    QFont font_;
    QFontMetricsF metrics_;
};
