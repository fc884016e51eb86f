#include "kit/Pixelation.h"

#include <algorithm>
#include <cmath>

namespace kit::Pixelation {

int blockSize(double pixelsPerPoint) {
    if (!std::isfinite(pixelsPerPoint) || pixelsPerPoint <= 1) return minimumBlock;
    return std::max(minimumBlock, static_cast<int>(std::lround(minimumBlock * std::min(pixelsPerPoint, 16.0))));
}

std::vector<int> spans(int length, int block) {
    if (length <= 0) return {};
    const int count = std::max(1, length / std::max(1, block));
    std::vector<int> sizes(static_cast<std::size_t>(count), length / count);
    // The remainder goes one pixel each to the first blocks.
    for (int i = 0; i < length % count; ++i) ++sizes[static_cast<std::size_t>(i)];
    return sizes;
}

void pixelate(std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride, PixelArea area, int block) {
    const int left = std::max(0, area.x), top = std::max(0, area.y);
    const int right = std::min(width, area.x + area.width), bottom = std::min(height, area.y + area.height);
    if (pixels == nullptr || right <= left || bottom <= top) return;
    const std::vector<int> columns = spans(right - left, block);
    const std::vector<int> rows = spans(bottom - top, block);
    int y0 = top;
    for (const int rowHeight : rows) {
        int x0 = left;
        for (const int columnWidth : columns) {
            std::uint64_t sum[4] = {};
            for (int y = y0; y < y0 + rowHeight; ++y) {
                const std::uint32_t* row = pixels + y * stride;
                for (int x = x0; x < x0 + columnWidth; ++x) {
                    for (int c = 0; c < 4; ++c) sum[c] += (row[x] >> (8 * c)) & 0xFF;
                }
            }
            const std::uint64_t count = static_cast<std::uint64_t>(rowHeight) * static_cast<std::uint64_t>(columnWidth);
            std::uint32_t average = 0;
            for (int c = 0; c < 4; ++c) average |= static_cast<std::uint32_t>((sum[c] + count / 2) / count) << (8 * c);
            for (int y = y0; y < y0 + rowHeight; ++y) std::fill_n(pixels + y * stride + x0, columnWidth, average);
            x0 += columnWidth;
        }
        y0 += rowHeight;
    }
}

} // namespace kit::Pixelation
