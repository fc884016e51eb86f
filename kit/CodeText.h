#pragma once
// Reads code, commands, paths and log lines character for character: which recognised lines look
// like code, and how their glyphs become text as they stand on the screen. Straight quotes stay
// straight, brackets and underscores stay, spaces come from where the glyphs stand (on a
// monospaced line from its advance), and glyphs the recogniser confuses (brackets read as l, I,
// f or J; 0, O and o; c read as e) are decided by their height, by the recogniser's other
// readings and by the line around them: pairs of brackets and quotes, numbers, hex literals.

#include <string>
#include <vector>

#include "kit/Geometry.h"

namespace kit {

struct GlyphChoice {
    std::string text;
    // 0 to 100.
    double confidence = 0;

    friend bool operator==(const GlyphChoice&, const GlyphChoice&) = default;
};

// One character as the recogniser read it.
struct ReadGlyph {
    // UTF-8.
    std::string text;
    // Its ink in pixels, y down.
    Rect box;
    double confidence = 0;
    // Other readings of the same ink, the likeliest first; may hold `text` itself.
    std::vector<GlyphChoice> alternatives;
    // The recogniser put a space before it.
    bool startsWord = false;
};

namespace CodeText {

// The distance from one character to the next when the glyphs stand on a regular grid; 0 for a
// proportional line or one too short to tell.
double monospaceAdvance(const std::vector<ReadGlyph>& glyphs);

// Monospaced, or dense in brackets, operators, underscores, slashes and quotes.
bool looksLikeCode(const std::vector<ReadGlyph>& glyphs);

// The line's text. `ink` are the separate blobs of ink around the line (pixels, y down): they
// place the spaces and show underscores the recogniser passed over.
std::string read(std::vector<ReadGlyph> glyphs, const std::vector<Rect>& ink);

} // namespace CodeText

} // namespace kit
