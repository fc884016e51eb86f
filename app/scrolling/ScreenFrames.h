#pragma once
// Where a scrolling capture takes its frames: the pixels of one area of the screen, and word of
// whether anything was drawn there since the last look. The capture waits for the drawing to
// stop before it takes a frame, so a frame never shows the area half way through a scroll.

#include <QImage>
#include <QRect>
#include <qcoro/qcorotask.h>

class ScreenFrames {
public:
    virtual ~ScreenFrames() = default;

    // Starts watching `rootArea` (root pixels). Throws kit::Error when the screen can't be watched.
    virtual QCoro::Task<void> open(QRect rootArea) = 0;
    // Whether the area changed since the last call. Main thread.
    virtual QCoro::Task<bool> changed() = 0;
    // The area's pixels now, Format_RGB32. Throws kit::Error when the screen can't be read.
    virtual QCoro::Task<QImage> grab() = 0;
};
