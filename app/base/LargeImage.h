#pragma once
// Pictures of a whole screen or more, in memory the kernel may back with 2 MB pages. Touching a
// fresh 33 MB buffer 4 KB at a time takes tens of milliseconds of page faults (over a hundred in
// some virtual machines), more than copying the picture into it; in 2 MB pages it takes a few.

#include <QImage>

class LargeImage {
public:
    // An image of that size and format, its pixels not yet set; a plain QImage when small.
    static QImage make(QSize size, QImage::Format format);
    // Maps in a fresh large image's pages in one call instead of one fault per page: a window's
    // first paint on a 4K screen spent most of its time in those faults.
    static void populate(const QImage& image);
};
