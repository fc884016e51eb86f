#pragma once
// What a scrolling capture needs of the desktop's input: wheel turns sent to a point of the
// screen, and the user's Escape, Enter or click heard wherever they happen, while the wheel and
// every other key still reach the program being captured (the user may scroll it by hand).

#include <QObject>
#include <QPoint>

namespace platform {

class ScrollInput : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether scroll() reaches the programs on screen.
    virtual bool canScroll() const = 0;
    // Turns the wheel `notches` times, downwards (negative: upwards), at `rootPoint`, and then
    // leaves the pointer at `restingPoint`, out of the way of what is captured.
    virtual void scroll(QPoint rootPoint, int notches, QPoint restingPoint) = 0;
    virtual void movePointer(QPoint rootPoint) = 0;
    // Starts hearing the stop gestures; false when the desktop refused them.
    virtual bool listenForStop() = 0;
    virtual void stopListening() = 0;

signals:
    // Escape, Enter or a primary click, anywhere.
    void stopRequested();
};

} // namespace platform
