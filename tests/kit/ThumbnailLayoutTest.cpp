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
    // Nothing is clipped; no count gives no frames.
    EXPECT_EQ(ThumbnailLayout::frames(10, Rect::make(0, 0, 300, 300)).at(9).minY(), 20 + 9 * 160);
    EXPECT_TRUE(ThumbnailLayout::frames(-1, Rect::make(0, 0, 300, 300)).empty());
}

} // namespace
