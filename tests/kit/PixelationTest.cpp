#include "kit/Pixelation.h"

#include <gtest/gtest.h>


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

TEST(PixelationTest, EveryPixelOfTheAreaShowsTheAverageOfItsWholeBlock) {
    // 40 x 30 pixels, every one different, in blocks of 14, 13, 13 by 15, 15.
    const int width = 40, height = 30;
    std::vector<std::uint32_t> pixels(width * height);
    for (int i = 0; i < width * height; ++i) pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u & 0xFFFFFF);
    const int columns[] = {0, 14, 27, 40}, rows[] = {0, 15, 30};
    const auto blockAverage = [&](int x, int y) {
        const int bx = x < 14 ? 0 : x < 27 ? 1 : 2, by = y < 15 ? 0 : 1;
        std::uint64_t sum[4] = {};
        for (int v = rows[by]; v < rows[by + 1]; ++v)
            for (int u = columns[bx]; u < columns[bx + 1]; ++u)
                for (int c = 0; c < 4; ++c) sum[c] += (pixels[v * width + u] >> (8 * c)) & 0xFF;
        const std::uint64_t count = (columns[bx + 1] - columns[bx]) * (rows[by + 1] - rows[by]);
        std::uint32_t average = 0;
        for (int c = 0; c < 4; ++c) average |= static_cast<std::uint32_t>((sum[c] + count / 2) / count) << (8 * c);
        return average;
    };
    Pixelation::Mosaic mosaic(pixels.data(), width, height, width, 12);

    // An area cutting blocks at all four sides and reaching past the picture on the right.
    const Pixelation::PixelArea area{5, 3, 40, 20};
    std::vector<std::uint32_t> out(40 * 20, 0);
    mosaic.paint(area, out.data(), 40);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            const std::uint32_t expected = area.x + x < width ? blockAverage(area.x + x, area.y + y) : 0;
            ASSERT_EQ(out[y * 40 + x], expected) << x << "," << y;
        }
    }
}

} // namespace
