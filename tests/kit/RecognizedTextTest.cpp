#include "kit/RecognizedText.h"

#include <limits>

#include <gtest/gtest.h>

using kit::RecognizedLine;
using kit::Rect;
using kit::RecognizedText::join;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

RecognizedLine piece(std::string text, double x, double y, double w, double h) {
    return {std::move(text), Rect::make(x, y, w, h)};
}

TEST(RecognizedTextTest, RowsTopToBottomPiecesLeftToRight) {
    EXPECT_EQ(join({}), "");
    const auto world = piece("world", 0.5, 0.80, 0.2, 0.05);
    const auto hello = piece("Hello", 0.1, 0.81, 0.3, 0.05);
    const auto next = piece("Next", 0.1, 0.70, 0.3, 0.05);
    EXPECT_EQ(join({world, hello}), "Hello world");
    EXPECT_EQ(join({hello, next, world}), "Hello world\nNext");
}

TEST(RecognizedTextTest, HalfTheTallerHeightIsAlreadyTooFarAndRowsCompareWithTheirFirstPiece) {
    EXPECT_EQ(join({piece("a", 0, 0.625, 1, 0.25), piece("b", 0, 0.25, 1, 0.5)}), "a\nb");
    EXPECT_EQ(join({piece("a", 0, 0.625, 1, 0.25), piece("b", 0, 0.26, 1, 0.5)}), "a b");
    const auto anchor = piece("a", 0.2, 0.375, 0.1, 0.25); // midY 0.5
    const auto near = piece("b", 0.0, 0.275, 0.1, 0.25);   // midY 0.4
    const auto drifting = piece("c", 0.1, 0.225, 0.1, 0.25); // midY 0.35
    EXPECT_EQ(join({drifting, near, anchor}), "b a\nc");
}

TEST(RecognizedTextTest, TiesKeepInputOrderAndNaNBoxesGoLastInRowsOfTheirOwn) {
    EXPECT_EQ(join({piece("1", 0, 0, 1, 1), piece("2", 0, 0, 1, 1), piece("", 0, 0, 1, 1)}), "1 2 ");
    const std::vector<RecognizedLine> lines = {
        piece("x", 0, nan, 1, 1), piece("top", 0, 5, 1, 1), piece("y", 0, nan, 1, 1),
        piece("right", nan, 5, 1, 1), piece("left", 0, 5.1, 1, 1), piece("tall", 0, 5, 1, nan)};
    EXPECT_EQ(join(lines), "left top right\nx\ny\ntall");
}

} // namespace
