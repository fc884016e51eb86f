#pragma once
// Synthetic pointer input for the thumbnail tests.

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>

namespace quickaccess_test {

inline void enter(QWidget& widget) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&widget, &event);
}

inline void leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &event);
}

// A press of the left button, or a move with it held.
inline void mouse(QWidget& widget, QEvent::Type type, QPointF at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget.mapTo(widget.window(), at), widget.mapToGlobal(at), button, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}
inline void press(QWidget& widget, QPointF at) { mouse(widget, QEvent::MouseButtonPress, at); }
inline void moveTo(QWidget& widget, QPointF at) { mouse(widget, QEvent::MouseMove, at); }

} // namespace quickaccess_test
