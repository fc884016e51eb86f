#pragma once
// Fixed displays and synthetic pointer input for the thumbnail and notice tests.

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

#include <optional>
#include <vector>

#include "app/capture/DisplayLocator.h"

namespace quickaccess_test {

// Displays side by side along y = 0 (global, y up); the first is the primary one, 1080 high.
class FixedScreens : public DisplayLocator {
public:
    std::vector<Screen> screens{{1, kit::Rect::make(0, 0, 1920, 1080), kit::Rect::make(0, 40, 1920, 1040)}};
    kit::Point pointer{100, 100};
    double primaryHeight = 1080;

    kit::Point pointerLocation() const override { return pointer; }
    std::optional<Screen> screenContaining(kit::Point p) const override {
        for (const auto& s : screens) {
            if (s.frame.contains(p)) return s;
        }
        return std::nullopt;
    }
    std::optional<Screen> mainScreen() const override {
        if (screens.empty()) return std::nullopt;
        return screens.front();
    }
    QRect toTopLeft(const kit::Rect& r) const override {
        return QRectF(r.minX(), primaryHeight - r.maxY(), r.width(), r.height()).toRect();
    }
};

inline void enter(QWidget& widget) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&widget, &event);
}

inline void leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void press(QWidget& widget, QPointF at) {
    QMouseEvent event(QEvent::MouseButtonPress, at, widget.mapTo(widget.window(), at), widget.mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void moveTo(QWidget& widget, QPointF at) {
    QMouseEvent event(QEvent::MouseMove, at, widget.mapTo(widget.window(), at), widget.mapToGlobal(at),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

} // namespace quickaccess_test
