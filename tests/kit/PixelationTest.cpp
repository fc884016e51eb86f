#include "kit/Pixelation.h"

#include <gtest/gtest.h>

#include <set>

namespace Pixelation = kit::Pixelation;

namespace {

TEST(PixelationTest, BlocksShareTheAreaOutEvenlyAndNeverUnderTwelvePixels) {
    EXPECT_EQ(Pixelation::spans(30, 12), (std::vector<int>{15, 15}));
    EXPECT_EQ(Pixelation::spans(37, 12), (std::vector<int>{13, 12, 12}));
    EXPECT_EQ(Pixelation::spans(5, 12), (std::vector<int>{5}));
    EXPECT_TRUE(Pixelation::spans(0, 12).empty());
    EXPECT_EQ(Pixelation::blockSize(1), 12);
    EXPECT_EQ(Pixelation::blockSize(2), 24);
    EXPECT_EQ(Pixelation::blockSize(0.5), 12);
}

TEST(PixelationTest, EachBlockIsTheAverageOfItsPixelsAndNothingOutsideChanges) {
    // 40 x 30 pixels, every one different; the area 4..33 x 3..27 (30 x 24: 2 x 2 blocks of 15 x 12).
    const int width = 40, height = 30;
    std::vector<std::uint32_t> pixels(width * height);
    for (int i = 0; i < width * height; ++i) pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u & 0xFFFFFF);
    const std::vector<std::uint32_t> original = pixels;
    Pixelation::pixelate(pixels.data(), width, height, width, {4, 3, 30, 24}, 12);

    for (int by = 0; by < 2; ++by) {
        for (int bx = 0; bx < 2; ++bx) {
            std::uint64_t sum[4] = {};
            std::set<std::uint32_t> seen;
            for (int y = 3 + 12 * by; y < 15 + 12 * by; ++y) {
                for (int x = 4 + 15 * bx; x < 19 + 15 * bx; ++x) {
                    for (int c = 0; c < 4; ++c) sum[c] += (original[y * width + x] >> (8 * c)) & 0xFF;
                    seen.insert(pixels[y * width + x]);
                }
            }
            std::uint32_t expected = 0;
            for (int c = 0; c < 4; ++c) expected |= static_cast<std::uint32_t>((sum[c] + 90) / 180) << (8 * c);
            EXPECT_EQ(seen, std::set<std::uint32_t>{expected}) << "block " << bx << "," << by;
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= 4 && x < 34 && y >= 3 && y < 27;
            if (!inside) {
                ASSERT_EQ(pixels[y * width + x], original[y * width + x]) << x << "," << y;
            }
        }
    }
    // An area reaching past the picture is clipped to it.
    Pixelation::pixelate(pixels.data(), width, height, width, {30, 20, 50, 50}, 12);
}

} // namespace
