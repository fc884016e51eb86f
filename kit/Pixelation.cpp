#include "kit/Pixelation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kit::Pixelation {

namespace {

// The blocks' first pixels and one past the last; `of` gets each pixel's block.
std::vector<int> edges(int length, int block, std::vector<int>& of) {
    std::vector<int> starts{0};
    of.assign(static_cast<std::size_t>(std::max(0, length)), 0);
    for (const int span : spans(length, block)) {
        const int index = static_cast<int>(starts.size()) - 1;
        std::fill_n(of.begin() + starts.back(), span, index);
        starts.push_back(starts.back() + span);
    }
    return starts;
}

} // namespace

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

Mosaic::Mosaic(const std::uint32_t* pixels, int width, int height, std::ptrdiff_t stride, int block)
    : pixels_(pixels), width_(pixels ? std::max(0, width) : 0), height_(pixels ? std::max(0, height) : 0), stride_(stride) {
    columnEdges_ = edges(width_, block, columnOf_);
    rowEdges_ = edges(height_, block, rowOf_);
    const std::size_t count = (columnEdges_.size() - 1) * (rowEdges_.size() - 1);
    averages_.assign(count, 0);
    known_.assign(count, 0);
}

std::uint32_t Mosaic::average(int column, int row) {
    const std::size_t index = static_cast<std::size_t>(row) * (columnEdges_.size() - 1) + static_cast<std::size_t>(column);
    if (known_[index]) return averages_[index];
    const int x0 = columnEdges_[column], x1 = columnEdges_[column + 1];
    const int y0 = rowEdges_[row], y1 = rowEdges_[row + 1];
    std::uint64_t sum[4] = {};
    for (int y = y0; y < y1; ++y) {
        const std::uint32_t* line = pixels_ + y * stride_;
        for (int x = x0; x < x1; ++x) {
            for (int c = 0; c < 4; ++c) sum[c] += (line[x] >> (8 * c)) & 0xFF;
        }
    }
    const std::uint64_t count = static_cast<std::uint64_t>(x1 - x0) * static_cast<std::uint64_t>(y1 - y0);
    std::uint32_t value = 0;
    for (int c = 0; c < 4; ++c) value |= static_cast<std::uint32_t>((sum[c] + count / 2) / count) << (8 * c);
    known_[index] = 1;
    averages_[index] = value;
    return value;
}

void Mosaic::paint(PixelArea area, std::uint32_t* out, std::ptrdiff_t outStride) {
    const int left = std::max(0, area.x), top = std::max(0, area.y);
    const int right = std::min(width_, area.x + area.width), bottom = std::min(height_, area.y + area.height);
    if (out == nullptr || right <= left || bottom <= top) return;
    const auto at = [&](int x, int y) { return out + (y - area.y) * outStride + (x - area.x); };
    for (int y = top; y < bottom;) {
        const int row = rowOf_[static_cast<std::size_t>(y)];
        const int rowEnd = std::min(bottom, rowEdges_[static_cast<std::size_t>(row) + 1]);
        for (int x = left; x < right;) {
            const int column = columnOf_[static_cast<std::size_t>(x)];
            const int end = std::min(right, columnEdges_[static_cast<std::size_t>(column) + 1]);
            std::fill(at(x, y), at(end, y), average(column, row));
            x = end;
        }
        // The block's other rows are the same.
        const auto bytes = static_cast<std::size_t>(right - left) * sizeof(std::uint32_t);
        for (int next = y + 1; next < rowEnd; ++next) std::memcpy(at(left, next), at(left, y), bytes);
        y = rowEnd;
    }
}

} // namespace kit::Pixelation
