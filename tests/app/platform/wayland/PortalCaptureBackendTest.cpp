// Cutting root-pixel areas out of the portal's picture of the whole desktop.

#include <QPainter>

#include <gtest/gtest.h>

#include "app/platform/wayland/PortalCaptureBackend.h"

namespace {

using platform::wayland::PortalCaptureBackend;

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xffffff; }

TEST(PortalCaptureBackend, CutsAreasByTheLayoutWhateverTheOriginAndScaleOfThePicture) {
    // Two outputs side by side, the left one at negative x; the picture has two pixels per root
    // pixel (an output scaled by 2), red left of x = 0 and blue right of it.
    const QRect desktop(-1280, 0, 2560, 720);
    QImage picture(5120, 1440, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(2560, 0, 2560, 1440, Qt::blue);

    const QImage right = PortalCaptureBackend::cut(picture, desktop, QRect(0, 0, 1280, 720));
    ASSERT_EQ(right.size(), QSize(1280, 720));
    EXPECT_EQ(at(right, 0, 0), 0x0000ffu);
    EXPECT_EQ(at(right, 1279, 719), 0x0000ffu);

    // Across the seam, and hanging off the desktop's bottom: black where no output is.
    const QImage across = PortalCaptureBackend::cut(picture, desktop, QRect(-100, 700, 200, 40));
    ASSERT_EQ(across.size(), QSize(200, 40));
    EXPECT_EQ(at(across, 50, 10), 0xff0000u);
    EXPECT_EQ(at(across, 150, 10), 0x0000ffu);
    EXPECT_EQ(at(across, 50, 30), 0x000000u);
}

} // namespace
