#include "kit/RecognizedText.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace kit::RecognizedText {

namespace {

struct Piece {
    const RecognizedLine* line;
    double midY;
    double minX;
    double height;
};

// Orders by key with NaN keys after all others and equal to each other, which keeps it a strict
// weak ordering (the sort is undefined without one).
template <class Before>
bool keyOrder(double a, double b, Before before) {
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return before(a, b);
}

bool sameRow(const Piece& anchor, const Piece& piece) {
    const double distance = std::abs(anchor.midY - piece.midY);
    // NaN anywhere makes the comparison false: a row of its own.
    const double taller = std::isnan(anchor.height) || std::isnan(piece.height)
                              ? std::nan("")
                              : std::max(anchor.height, piece.height);
    return distance < 0.5 * taller;
}

} // namespace

std::string join(const std::vector<RecognizedLine>& lines) {
    std::vector<Piece> pieces;
    pieces.reserve(lines.size());
    for (const RecognizedLine& line : lines) {
        pieces.push_back({&line, line.box.midY(), line.box.minX(), line.box.height()});
    }
    // y grows upwards, so the top of the page has the largest midY.
    std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
        return keyOrder(a.midY, b.midY, [](double x, double y) { return x > y; });
    });

    std::vector<std::vector<Piece>> rows;
    for (const Piece& piece : pieces) {
        if (rows.empty() || !sameRow(rows.back().front(), piece)) rows.emplace_back();
        rows.back().push_back(piece);
    }

    std::string text;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        auto& row = rows[r];
        std::stable_sort(row.begin(), row.end(), [](const Piece& a, const Piece& b) {
            return keyOrder(a.minX, b.minX, [](double x, double y) { return x < y; });
        });
        if (r > 0) text += '\n';
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) text += ' ';
            text += row[i].line->text;
        }
    }
    return text;
}

} // namespace kit::RecognizedText
