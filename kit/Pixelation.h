#pragma once
// Pixelation that hides what was there: the picture is cut once into blocks of at least
// `minimumBlock` pixels a side, shared out evenly over its whole width and height so that no thin
// leftover block at an edge keeps finer detail, and every pixel under a pixelation shows the
// average of the block it lies in. A block cut by the pixelation's edge still shows the average
// of all its pixels, never of a thinner strip; the blocks stay put while the pixelation moves.

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

// The blocks of one picture. Pixels are 32-bit words of four 8-bit channels averaged each on its
// own, as premultiplied ARGB is; `stride` counts pixels from one row to the next. Each block's
// average is worked out the first time it is shown and kept, so a pixelation drawn or dragged
// costs only the copying of its blocks.
class Mosaic {
public:
    // The pixels must stay as they are for the mosaic's life.
    Mosaic(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride, int block);

    // Writes the blocks under `area` into `out`, whose first pixel is the area's top-left one
    // and rows `outStride` pixels apart; what of the area lies beyond the picture is left alone.
    void paint(PixelArea area, std::uint32_t* out, std::ptrdiff_t outStride);

private:
    std::uint32_t average(int column, int row);

    const std::uint32_t* pixels_;
    int width_;
    int height_;
    std::ptrdiff_t stride_;
    // Where each block starts, and one past the last; and the block of each pixel column or row.
    std::vector<int> columnEdges_, rowEdges_;
    std::vector<int> columnOf_, rowOf_;
    std::vector<std::uint32_t> averages_;
    std::vector<std::uint8_t> known_;
};

} // namespace kit::Pixelation
