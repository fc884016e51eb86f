#include "app/text/ScreenTextPreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

namespace {

// Scaling bounds: huge text is shrunk at most by half, tiny text grown at most fivefold, and a
// prepared picture stays under 36 megapixels (a full 4K display at scale 1.5).
constexpr double minScale = 0.5;
constexpr double maxScale = 5;
constexpr double maxPixels = 36e6;
// X11's logical resolution at scale 1.
constexpr double baseDotsPerInch = 96;
// Levels at least this far from the background count as ink.
constexpr int inkDistance = 48;
// Blobs lower than this are dots, commas and noise, not letters.
constexpr int minLetterHeight = 3;

using Histogram = std::array<std::int64_t, 256>;

Histogram histogramOf(const QImage& grey) {
    Histogram histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x) ++histogram[row[x]];
    }
    return histogram;
}

// The level reached after `fraction` of the counts from `from` towards `to`, both included.
int levelAt(const Histogram& histogram, int from, int to, double fraction) {
    const int step = from <= to ? 1 : -1;
    std::int64_t total = 0;
    for (int v = from; v != to + step; v += step) total += histogram[v];
    const auto wanted = static_cast<std::int64_t>(std::ceil(static_cast<double>(total) * fraction));
    std::int64_t seen = 0;
    for (int v = from; v != to + step; v += step) {
        seen += histogram[v];
        if (seen >= wanted && seen > 0) return v;
    }
    return to;
}

// Grey level -> prepared level: the background (the most common level) becomes white and the
// ink black, light ink on a darker background turned around. No ink at all: levels unchanged.
std::array<uchar, 256> levelMap(const Histogram& histogram) {
    std::array<uchar, 256> map{};
    std::iota(map.begin(), map.end(), 0);
    const int background = static_cast<int>(std::max_element(histogram.begin(), histogram.end()) - histogram.begin());
    std::int64_t darker = 0, lighter = 0;
    for (int v = 0; v <= background - inkDistance; ++v) darker += histogram[v];
    for (int v = background + inkDistance; v < 256; ++v) lighter += histogram[v];
    if (darker == 0 && lighter == 0) return map;

    const bool lightInk = lighter > darker;
    // A quarter of the ink is at least this strong; it and anything stronger becomes black.
    const int ink = lightInk ? levelAt(histogram, 255, background + inkDistance, 0.25)
                             : levelAt(histogram, 0, background - inkDistance, 0.25);
    for (int v = 0; v < 256; ++v) {
        const double strength = static_cast<double>(v - ink) / (background - ink);
        map[v] = static_cast<uchar>(std::clamp(std::lround(strength * 255), 0L, 255L));
    }
    return map;
}

} // namespace

kit::Rect PreparedPicture::normalisedBox(const QRect& box) const {
    const double width = source.width(), height = source.height();
    const auto sourceX = [&](double x) { return std::clamp((x - border) / scale, 0.0, width); };
    const auto sourceY = [&](double y) { return std::clamp((y - border) / scale, 0.0, height); };
    const double left = sourceX(box.left()), right = sourceX(box.left() + box.width());
    const double top = sourceY(box.top()), bottom = sourceY(box.top() + box.height());
    return kit::Rect::make(left / width, 1 - bottom / height, (right - left) / width, (bottom - top) / height);
}

namespace ScreenTextPreparation {

std::vector<QRect> inkBlobs(const QImage& grey, const QRect& region, int threshold) {
    // One pass over runs of ink, joining runs that touch (diagonals included) in a union-find.
    struct Run {
        int x0, x1, label;
    };
    const QRect area = region.intersected(grey.rect());
    std::vector<int> parent;
    std::vector<QRect> boxes; // per label
    std::vector<Run> previous, current;
    const auto find = [&](int label) {
        while (parent[label] != label) label = parent[label] = parent[parent[label]];
        return label;
    };
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* row = grey.constScanLine(y);
        current.clear();
        for (int x = area.left(); x <= area.right();) {
            if (row[x] >= threshold) {
                ++x;
                continue;
            }
            const int start = x;
            while (x <= area.right() && row[x] < threshold) ++x;
            int label = -1;
            for (const Run& above : previous) {
                if (above.x1 < start - 1 || above.x0 > x) continue;
                const int root = find(above.label);
                if (label < 0) {
                    label = root;
                } else if (root != label) {
                    parent[root] = label;
                    boxes[label] |= boxes[root];
                }
            }
            if (label < 0) {
                label = static_cast<int>(parent.size());
                parent.push_back(label);
                boxes.emplace_back(start, y, 1, 1);
            }
            boxes[label] |= QRect(start, y, x - start, 1);
            current.push_back({start, x - 1, label});
        }
        std::swap(previous, current);
    }
    std::vector<QRect> blobs;
    for (int label = 0; label < static_cast<int>(parent.size()); ++label) {
        if (parent[label] == label) blobs.push_back(boxes[label]);
    }
    return blobs;
}

QRect pixelBox(const kit::Rect& box) {
    return QRectF(box.minX(), box.minY(), box.width(), box.height()).toAlignedRect();
}

QRect aroundLine(const QRect& line) {
    const int margin = line.height() / 3;
    return line.adjusted(0, -margin, 0, margin);
}

std::vector<QRect> lineInk(const QImage& grey, const QRect& region) {
    std::vector<QRect> ink = inkBlobs(grey, region);
    const std::size_t strong = ink.size();
    const int flat = std::max(3, region.height() / 12);
    for (const QRect& blob : inkBlobs(grey, region, faintInkLevel)) {
        if (blob.height() > flat) continue;
        const auto touches = [&](const QRect& other) { return other.intersects(blob); };
        if (std::none_of(ink.begin(), ink.begin() + static_cast<std::ptrdiff_t>(strong), touches)) ink.push_back(blob);
    }
    return ink;
}

double xHeight(const QImage& grey) {
    std::vector<int> heights;
    for (const QRect& blob : inkBlobs(grey, grey.rect())) {
        if (blob.height() >= minLetterHeight) heights.push_back(blob.height());
    }
    if (heights.empty()) return 0;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    return heights[heights.size() / 2];
}

PreparedPicture prepare(const QImage& image, double targetXHeight) {
    PreparedPicture prepared;
    prepared.source = image.size();
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const std::array<uchar, 256> map = levelMap(histogramOf(grey));
    for (int y = 0; y < grey.height(); ++y) {
        uchar* row = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x) row[x] = map[row[x]];
    }
    const Histogram levels = histogramOf(grey);
    const auto background = static_cast<uchar>(std::max_element(levels.begin(), levels.end()) - levels.begin());

    const double measured = xHeight(grey);
    double scale = measured > 0 ? std::clamp(targetXHeight / measured, minScale, maxScale) : 1.0;
    const double area = static_cast<double>(grey.width()) * grey.height();
    if (area * scale * scale > maxPixels) scale = std::sqrt(maxPixels / area);
    if (std::abs(scale - 1) >= 0.05) {
        const QSize size(std::max(1, static_cast<int>(std::lround(grey.width() * scale))),
                         std::max(1, static_cast<int>(std::lround(grey.height() * scale))));
        grey = grey.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   .convertToFormat(QImage::Format_Grayscale8);
        scale = static_cast<double>(size.width()) / prepared.source.width();
    } else {
        scale = 1;
    }

    // The recogniser misses text that touches the edge.
    const int border = static_cast<int>(std::lround(std::max(10.0, targetXHeight)));
    QImage framed(grey.width() + 2 * border, grey.height() + 2 * border, QImage::Format_Grayscale8);
    framed.fill(background);
    for (int y = 0; y < grey.height(); ++y) {
        std::copy_n(grey.constScanLine(y), grey.width(), framed.scanLine(y + border) + border);
    }

    prepared.picture = std::move(framed);
    prepared.scale = scale;
    prepared.border = border;
    prepared.dotsPerInch = static_cast<int>(std::lround(baseDotsPerInch * image.devicePixelRatio() * scale));
    return prepared;
}

} // namespace ScreenTextPreparation
