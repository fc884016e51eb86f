#include "kit/MarkupStyle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kit::MarkupStyle {

namespace {

template <std::size_t N> double nearest(const std::array<double, N>& values, double stored, double fallback) {
    if (!std::isfinite(stored)) return fallback;
    return *std::min_element(values.begin(), values.end(),
                             [stored](double a, double b) { return std::abs(a - stored) < std::abs(b - stored); });
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string colourText(Rgb colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    return text;
}

std::optional<Rgb> parseColour(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    std::uint8_t channels[3];
    for (int i = 0; i < 3; ++i) {
        const int high = hexDigit(text[1 + 2 * i]), low = hexDigit(text[2 + 2 * i]);
        if (high < 0 || low < 0) return std::nullopt;
        channels[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return Rgb{channels[0], channels[1], channels[2]};
}

double strokeWidth(double stored) {
    return nearest(strokeWidths, stored, defaultStrokeWidth);
}

double textSize(double stored) {
    return nearest(textSizes, stored, defaultTextSize);
}

double pixelDensity(double dotsPerInch) {
    if (!std::isfinite(dotsPerInch)) return 1;
    const double scale = dotsPerInch / 72;
    const double quarters = std::round(scale * 4) / 4;
    // Resolutions are stored in whole dots per metre, so 144 dpi comes back as 143.9952.
    if (quarters < 1 || quarters > 4 || std::abs(scale - quarters) > 0.01) return 1;
    return quarters;
}

bool wantsDarkText(Rgb background) {
    // Relative luminance of sRGB, roughly; yellow and white want black, the rest white.
    const double luminance = 0.2126 * background.red + 0.7152 * background.green + 0.0722 * background.blue;
    return luminance > 150;
}

std::vector<int> stepNumbers(const std::vector<std::uint64_t>& placed) {
    std::vector<std::size_t> order(placed.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&placed](std::size_t a, std::size_t b) { return placed[a] < placed[b]; });
    std::vector<int> numbers(placed.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank) numbers[order[rank]] = static_cast<int>(rank + 1);
    return numbers;
}

} // namespace kit::MarkupStyle
