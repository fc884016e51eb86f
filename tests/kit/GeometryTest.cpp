#include "kit/Geometry.h"

#include <limits>

#include <gtest/gtest.h>

using kit::Point;
using kit::Rect;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(GeometryTest, NullRectangleIsNullEmptyAndStaysNull) {
    const Rect null = Rect::null();
    EXPECT_TRUE(null.isNull());
    EXPECT_TRUE(null.isEmpty());
    EXPECT_TRUE(null.integral().isNull());
    EXPECT_TRUE(null.insetBy(-10, -10).isNull());
    EXPECT_FALSE(null.contains({inf, inf}));
    EXPECT_TRUE(Rect::make(0, 0, nan, 5).isEmpty());
    EXPECT_EQ(Rect::make(2.5, 2.5, -1, -1).integral(), Rect::make(1, 1, 2, 2));
}

TEST(GeometryTest, IntersectionIncludingNaNOrInfiniteComponents) {
    const Rect a = Rect::make(0, 0, 100, 100);
    EXPECT_EQ(a.intersection(Rect::make(50, -10, 100, 30)), Rect::make(50, 0, 50, 20));
    EXPECT_TRUE(a.intersection(Rect::make(200, 200, 10, 10)).isNull());
    // Touching edges meet in a line, as CoreGraphics has it.
    EXPECT_EQ(a.intersection(Rect::make(100, 10, 10, 10)), Rect::make(100, 10, 0, 10));
    EXPECT_TRUE(a.intersection(Rect::make(nan, 0, 10, 10)).isNull());
    // -inf + inf has no value, so there is no far edge to meet.
    EXPECT_TRUE(a.intersection(Rect::make(-inf, -inf, inf, inf)).isNull());
    EXPECT_EQ(a.intersection(Rect::make(-1e300, -1e300, inf, inf)), a);
}

} // namespace
