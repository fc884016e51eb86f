#include "kit/PanelPlacement.h"

#include <gtest/gtest.h>

using kit::Rect;

namespace {

TEST(PanelPlacementTest, APanelOverTheRecordedAreaMovesToTheNearestClearPlaceElseToTheNextDisplay) {
    const Rect left = Rect::make(0, 0, 1920, 1080), right = Rect::make(1920, 0, 1280, 1080);
    const Rect notice = Rect::make(860, 490, 200, 100);
    using kit::PanelPlacement::clearOf;
    EXPECT_EQ(clearOf(notice, Rect::make(0, 0, 400, 300), {left, right}), notice);
    // An area around the centre: beside it, the nearest way out (here above it).
    EXPECT_EQ(clearOf(notice, Rect::make(700, 400, 500, 250), {left, right}), Rect::make(860, 670, 200, 100));
    // The stack of thumbnails in the lower left corner, under a recorded lower half: above it.
    EXPECT_EQ(clearOf(Rect::make(20, 20, 260, 490), Rect::make(0, 0, 1920, 540), {left}),
              Rect::make(20, 560, 260, 490));
    // A whole display: the same place on the next one; no display left, no place.
    EXPECT_EQ(clearOf(notice, left, {left, right}), Rect::make(2460, 490, 200, 100));
    EXPECT_EQ(clearOf(notice, left, {left}), std::nullopt);
}

} // namespace
