#pragma once
// The thin frame that marks what a recording shows, for as long as it runs. It lies just outside
// the recorded area and never inside it, so it never reaches the movie; it is click-through,
// above other windows and on every workspace (the window manager never sees it), and it is drawn
// only on the recorded display. Main thread only.

#include <QColor>
#include <QRect>
#include <QTimer>
#include <QWidget>

class RecordingFrame : public QWidget {
    Q_OBJECT

public:
    // In Qt's logical pixels.
    static constexpr int thickness = 2;
    static const QColor color;

    RecordingFrame();

    // Surrounds `area`, root pixels of `display` (root pixels too). With no room outside the area
    // on that display (a whole display recorded) there is nothing to draw and the frame hides.
    void surround(const QRect& area, const QRect& display);
    void orderOut();

    // The uncovered middle, in Qt's logical pixels: whole pixels that hold every recorded one.
    QRect hole() const { return hole_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect hole_;
    // Windows raised later would cover it; it comes back on top now and then.
    QTimer keepOnTop_;
};
