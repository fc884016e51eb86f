#pragma once
// What "Hide Text" offers to cover: one box per line of text read from a picture, and one per
// word (or run of words) that looks like something not to share: an e-mail address, a long
// number (card, account, phone), a key or token, or whatever follows a "password:" label. Those
// come pre-selected; the lines are offered for the user to pick.

#include <string>
#include <string_view>
#include <vector>

#include "kit/Geometry.h"

namespace kit {

// Boxes in the picture's pixels, y down.
struct TextWord {
    std::string text;
    Rect box;
};

struct TextLine {
    std::string text;
    Rect box;
    std::vector<TextWord> words;
};

namespace SensitiveText {

enum class Kind { line, email, number, token, secret };

struct Candidate {
    // Grown a little around the ink, so the glyphs' soft edges are covered too.
    Rect box;
    Kind kind = Kind::line;
    bool preselected = false;
    std::string text;
};

// What one word is, punctuation around it ignored; `line` when it is nothing special. Numbers
// are judged by runs of words (see candidates); a lone word counts by its own digits.
Kind classify(std::string_view word);

// Every line, then the sensitive words and runs of each; a line that is one sensitive run is
// offered once, as that run.
std::vector<Candidate> candidates(const std::vector<TextLine>& lines);

} // namespace SensitiveText

} // namespace kit
