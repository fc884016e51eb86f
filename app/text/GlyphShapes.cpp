#include "app/text/GlyphShapes.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/text/ScreenTextPreparation.h"
#include "kit/CodeText.h"

namespace GlyphShapes {

namespace {

bool inked(const QImage& grey, int x, int y) {
    return grey.constScanLine(y)[x] < ScreenTextPreparation::faintInkLevel;
}

// The glyph's own ink: the one blob that fills its box, or, where its ink runs into the next
// glyph's ("wc" at a large size), its box cut down to the ink in it.
std::optional<QRect> inkOf(const kit::ReadGlyph& glyph, const std::vector<QRect>& blobs, const QImage& grey) {
    const QRect box = ScreenTextPreparation::pixelBox(glyph.box) & grey.rect();
    for (const QRect& blob : blobs) {
        const QRect common = blob & box;
        const double area = static_cast<double>(common.width()) * common.height();
        if (area >= 0.7 * blob.width() * blob.height() && area >= 0.7 * box.width() * box.height()) return blob;
    }
    QRect ink;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (grey.constScanLine(y)[x] < ScreenTextPreparation::inkLevel) ink |= QRect(x, y, 1, 1);
    if (ink.width() < 4 || ink.height() < 4) return std::nullopt;
    return ink;
}

// An e's bar: a row in the middle of its ink inked across most of its width.
bool hasBar(const QImage& grey, const QRect& ink) {
    for (int y = ink.top() + ink.height() * 3 / 10; y <= ink.top() + ink.height() * 7 / 10; ++y) {
        int inkedCells = 0;
        for (int x = ink.left(); x <= ink.right(); ++x) inkedCells += inked(grey, x, y) ? 1 : 0;
        if (inkedCells >= 0.6 * ink.width()) return true;
    }
    return false;
}

// A monospaced l whose foot turns right, where a 1 stands on a foot both sides of its stem.
bool footTurnsRight(const QImage& grey, const QRect& ink) {
    std::vector<int> counts(static_cast<std::size_t>(ink.width()), 0);
    for (int y = ink.top() + ink.height() * 3 / 10; y <= ink.top() + ink.height() * 7 / 10; ++y)
        for (int x = ink.left(); x <= ink.right(); ++x) counts[static_cast<std::size_t>(x - ink.left())] += inked(grey, x, y) ? 1 : 0;
    const int most = *std::max_element(counts.begin(), counts.end());
    if (most == 0) return false;
    int stemLeft = ink.right(), stemRight = ink.left();
    for (int x = ink.left(); x <= ink.right(); ++x) {
        if (counts[static_cast<std::size_t>(x - ink.left())] < 0.8 * most) continue;
        stemLeft = std::min(stemLeft, x);
        stemRight = std::max(stemRight, x);
    }
    bool left = false, right = false;
    for (int y = ink.bottom() - 1; y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x) {
            if (!inked(grey, x, y)) continue;
            left = left || x < stemLeft;
            right = right || x > stemRight;
        }
    }
    return right && !left;
}

} // namespace

void settle(std::vector<platform::ocr::EngineLine>& lines, const QImage& grey) {
    for (platform::ocr::EngineLine& line : lines) {
        const auto doubtful = [](const kit::ReadGlyph& glyph) { return glyph.text == "e" || glyph.text == "1"; };
        // On a proportional line the recogniser's boxes cut glyphs apart too loosely to judge them,
        // and its fonts' l has no foot to tell by.
        if (std::none_of(line.glyphs.begin(), line.glyphs.end(), doubtful) || kit::CodeText::monospaceAdvance(line.glyphs) <= 0) {
            continue;
        }
        const std::vector<QRect> blobs = ScreenTextPreparation::inkBlobs(grey, ScreenTextPreparation::aroundLine(line.box));
        for (kit::ReadGlyph& glyph : line.glyphs) {
            if (!doubtful(glyph)) continue;
            const std::optional<QRect> ink = inkOf(glyph, blobs, grey);
            if (!ink) continue;
            if (glyph.text == "e" && !hasBar(grey, *ink)) glyph.text = "c";
            if (glyph.text == "1" && footTurnsRight(grey, *ink)) glyph.text = "l";
        }
    }
}

} // namespace GlyphShapes
