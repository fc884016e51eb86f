#pragma once
// Puts recognised pieces of text back into reading order: pieces on one visual line left to
// right joined by a space, lines top to bottom joined by a line feed.

#include <string>
#include <vector>

#include "kit/Geometry.h"

namespace kit {

struct RecognizedLine {
    std::string text;
    // Where the piece lies, y growing upwards.
    Rect box;

    friend bool operator==(const RecognizedLine&, const RecognizedLine&) = default;
};

namespace RecognizedText {

// A piece joins the last row when its vertical centre is closer to the row's first piece than
// half the taller of the two; otherwise it starts a row. Boxes with NaN positions sort last and
// start rows of their own. No trimming, no paragraph or column detection.
std::string join(const std::vector<RecognizedLine>& lines);

} // namespace RecognizedText

} // namespace kit
