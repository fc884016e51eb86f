#pragma once
// Pixelation that hides what was there: an area of a picture becomes blocks of at least
// `minimumBlock` pixels a side, each one flat in the average of the pixels it covers. The blocks
// share the area out evenly, so no thin leftover block at an edge keeps finer detail.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kit::Pixelation {

inline constexpr int minimumBlock = 12;

// Pixels a block spans in a picture of that density: 12 points, never under 12 pixels.
int blockSize(double pixelsPerPoint);

// The sizes of the blocks that share out `length` pixels, each at least `block` (a length
// shorter than one block is one block).
std::vector<int> spans(int length, int block);

struct PixelArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Replaces each block of `area` (clipped to the picture) by the average of its pixels. Pixels are
// 32-bit words of four 8-bit channels averaged each on its own, as premultiplied ARGB is; `stride`
// counts pixels from one row to the next.
void pixelate(std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride, PixelArea area, int block);

} // namespace kit::Pixelation
