#include "kit/ThumbnailLayout.h"

#include <gtest/gtest.h>

using kit::Rect;
namespace ThumbnailLayout = kit::ThumbnailLayout;

namespace {

TEST(ThumbnailLayoutTest, StackGrowsUpwardsFromTheLowerLeftCorner) {
    const auto frames = ThumbnailLayout::frames(3, Rect::make(100, 50, 1440, 875));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], Rect::make(120, 70, 240, 150));
    EXPECT_EQ(frames[1], Rect::make(120, 230, 240, 150));
    EXPECT_EQ(frames[2], Rect::make(120, 390, 240, 150));
    EXPECT_EQ(ThumbnailLayout::panelFrame(frames[2]), Rect::make(110, 380, 260, 170));
    EXPECT_TRUE(ThumbnailLayout::frames(-1, Rect::make(0, 0, 300, 300)).empty());
}

TEST(ThumbnailLayoutTest, AFullColumnContinuesBesideItAndNothingLeavesTheDisplay) {
    // Five rows and five columns fit.
    const Rect visible = Rect::make(100, 50, 1440, 875);
    const auto frames = ThumbnailLayout::frames(27, visible);
    ASSERT_EQ(frames.size(), 27u);
    EXPECT_EQ(frames[4], Rect::make(120, 710, 240, 150));
    EXPECT_EQ(frames[5], Rect::make(370, 70, 240, 150));
    EXPECT_EQ(frames[24], Rect::make(1120, 710, 240, 150));
    // Beyond what the display holds, the places come round again, a step further.
    EXPECT_EQ(frames[25], Rect::make(132, 82, 240, 150));
    for (const Rect& frame : frames) EXPECT_EQ(frame.intersection(visible), frame);
    // Too small for a second row or column: one place, shifted as far as the display allows.
    const auto cramped = ThumbnailLayout::frames(3, Rect::make(0, 0, 270, 185));
    EXPECT_EQ(cramped[0], Rect::make(20, 20, 240, 150));
    EXPECT_EQ(cramped[2], Rect::make(30, 35, 240, 150));
}

} // namespace
