#include <gtest/gtest.h>

#include "app/capture/OverlayDrawing.h"

using namespace OverlayDrawing;

namespace {

// Two 2x displays side by side, 960 x 540 points each.
const DisplayInfo left{1, kit::Rect::make(0, 0, 960, 540), QRect(0, 0, 1920, 1080), 2.0};
const DisplayInfo right{2, kit::Rect::make(960, 0, 960, 540), QRect(1920, 0, 1920, 1080), 2.0};

// Every text is 50 x 13 points.
QSizeF fixedSize(const std::string&) { return {50, 13}; }

} // namespace

TEST(OverlayDrawingTest, CoordinatesArePixelsFromTheDisplaysTopLeftAndTouchingAnEdgeDrawsNothingOnTheNeighbour) {
    // 100.5 points from the left, 200 from the top.
    EXPECT_EQ(coordinatesText({100.5, 340}, left), "201, 400");
    EXPECT_EQ(coordinatesText({0, 0}, left), "0, 1080");
    // The top and right edges are outside; the neighbour's own edge is its.
    EXPECT_EQ(coordinatesText({100, 540}, left), std::nullopt);
    EXPECT_EQ(coordinatesText({960, 100}, left), std::nullopt);
    EXPECT_EQ(coordinatesText({960, 100}, right), "0, 880");
    EXPECT_EQ(coordinatesText({std::nan(""), 100}, left), std::nullopt);

    // Starts exactly on the shared edge.
    const State selection{SelectionMode::area, kit::Rect::make(960, 100, 100, 100), {1060, 100}, {}};
    EXPECT_FALSE(scene(selection, left, fixedSize).hole);
    EXPECT_TRUE(scene(selection, right, fixedSize).hole);
    // A selection without area still shows where it starts.
    EXPECT_TRUE(scene({SelectionMode::area, kit::Rect::make(100, 100, 0, 50), {100, 150}, {}}, left, fixedSize).hole);

    const State window{SelectionMode::window, {}, {}, CapturableWindow{9, right.frame, "Doc", "Editor"}};
    EXPECT_EQ(scene(window, left, fixedSize), Scene{SelectionMode::window});
    const Scene there = scene(window, right, fixedSize);
    ASSERT_TRUE(there.highlight);
    EXPECT_EQ(*there.highlight, QRectF(0, 0, 960, 540));
    EXPECT_EQ(there.label->text, "Editor \u2014 Doc");
    EXPECT_FALSE(there.label->glyph);

    // A recording's label says so after its glyph, which the box makes room for.
    State recording = selection;
    recording.purpose = SelectionPurpose::recording;
    const Label marked = *scene(recording, right, fixedSize).label;
    EXPECT_EQ(marked.text, "Record  200 \u00d7 200");
    ASSERT_TRUE(marked.glyph);
    EXPECT_EQ(marked.box.width(), 50 + 12 + recordGlyphDiameter + recordGlyphGap);
    EXPECT_EQ(marked.glyph->left(), marked.box.left() + 6);
    EXPECT_EQ(marked.textOrigin.x(), marked.glyph->right() + recordGlyphGap);
}
