#pragma once
// Pictures of a whole screen or more, in memory the kernel may back with 2 MB pages. Touching a
// fresh 33 MB buffer 4 KB at a time takes tens of milliseconds of page faults (over a hundred in
// some virtual machines), more than copying the picture into it; in 2 MB pages it takes a few.

#include <QImage>

class LargeImage {
public:
    // An image of that size and format, its pixels not yet set; a plain QImage when small.
    static QImage make(QSize size, QImage::Format format);
};
