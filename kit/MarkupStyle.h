#pragma once
// The choices of the markup editor that outlive it: the colours offered, stroke widths and text
// sizes, how they are stored, and the numbering of the numbered steps.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit::MarkupStyle {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Strong colours that stand out on screen pictures, then black and white; the first is the
// default.
inline constexpr std::array<Rgb, 8> palette{{
    {0xE5, 0x39, 0x35}, // red
    {0xFB, 0x8C, 0x00}, // orange
    {0xFD, 0xD8, 0x35}, // yellow
    {0x43, 0xA0, 0x47}, // green
    {0x1E, 0x88, 0xE5}, // blue
    {0x8E, 0x24, 0xAA}, // purple
    {0x00, 0x00, 0x00}, // black
    {0xFF, 0xFF, 0xFF}, // white
}};

// In points: thin, medium, thick.
inline constexpr std::array<double, 3> strokeWidths{2, 4, 8};
inline constexpr double defaultStrokeWidth = 4;
// In points.
inline constexpr std::array<double, 4> textSizes{14, 20, 28, 40};
inline constexpr double defaultTextSize = 20;

// "#RRGGBB", upper case.
std::string colourText(Rgb colour);
// Reads "#RRGGBB" (either case); anything else is no colour.
std::optional<Rgb> parseColour(std::string_view text);

// A stored choice as one of the offered values: the nearest, or the default when the stored
// value is no number at all.
double strokeWidth(double stored);
double textSize(double stored);

// Points per pixel of a picture from the resolution it records: a screen's scale (72 dots per
// inch a point) when it is one, from 1 to 4 in quarters; 1 for anything else (photos, none).
double pixelDensity(double dotsPerInch);

// Whether black or white text reads better on the colour.
bool wantsDarkText(Rgb background);

// The number each step shows, given the order each was placed in (any increasing values): the
// first placed shows 1, and numbers close up when one goes.
std::vector<int> stepNumbers(const std::vector<std::uint64_t>& placed);

} // namespace kit::MarkupStyle
