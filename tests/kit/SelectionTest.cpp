#include "kit/Selection.h"

#include <limits>

#include <gtest/gtest.h>

using kit::Point;
using kit::Rect;
namespace SelectionGeometry = kit::SelectionGeometry;
namespace ScreenLookup = kit::ScreenLookup;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(SelectionTest, NormalizedRectSpansTheDragAndClipsToBounds) {
    EXPECT_EQ(SelectionGeometry::normalizedRect({50, 80}, {10, 20}, Rect::make(30, 0, 1000, 1000)),
              Rect::make(30, 20, 20, 60));
    EXPECT_EQ(SelectionGeometry::normalizedRect({-50, 500}, {2000, 1500}, Rect::make(0, 0, 1000, 1000)),
              Rect::make(0, 500, 1000, 500));
    const Rect outside =
        SelectionGeometry::normalizedRect({-50, -50}, {-10, -10}, Rect::make(0, 0, 1000, 1000));
    EXPECT_TRUE(outside.isNull());
    EXPECT_FALSE(SelectionGeometry::isAcceptable(outside));
}

TEST(SelectionTest, IsAcceptableNeedsFourFiniteNumbersEachWay) {
    EXPECT_FALSE(SelectionGeometry::isAcceptable(
        SelectionGeometry::normalizedRect({nan, 10}, {50, 50}, Rect::make(0, 0, 1000, 1000))));
    EXPECT_TRUE(SelectionGeometry::isAcceptable(Rect::make(10, 10, -4, -4)));
    EXPECT_FALSE(SelectionGeometry::isAcceptable(Rect::make(0, 0, 3.999, 100)));
    EXPECT_FALSE(SelectionGeometry::isAcceptable(Rect::make(0, 0, nan, 100)));
    EXPECT_FALSE(SelectionGeometry::isAcceptable(Rect::make(-inf, 0, 100, 100)));
    EXPECT_FALSE(SelectionGeometry::isAcceptable(Rect::make(1e308, 0, 1e308, 100)));
}

TEST(SelectionTest, PixelRectIsTheWholePixelHull) {
    EXPECT_EQ(SelectionGeometry::pixelRect(Rect::make(10.25, 20.5, 100.5, 50.25), 2),
              Rect::make(20, 41, 202, 101));
    EXPECT_EQ(SelectionGeometry::pixelRect(Rect::make(0.25, 0.25, 1, 1), 2), Rect::make(0, 0, 3, 3));
    EXPECT_TRUE(SelectionGeometry::pixelRect(Rect::null(), 0).isNull());
}

TEST(SelectionTest, DisplayLocalRectFlipsFromTheDisplaysTop) {
    // A display left of and above the primary one.
    EXPECT_EQ(SelectionGeometry::displayLocalRect(Rect::make(-1500, 950, 300, 50), Rect::make(-1920, 900, 1920, 1080)),
              Rect::make(420, 980, 300, 50));
}

TEST(SelectionTest, ScreenLookupIsInclusiveAndFirstMatchWins) {
    const std::vector<Rect> frames = {Rect::make(0, 0, 1440, 900), Rect::make(1440, 0, 1920, 1080)};
    EXPECT_EQ(ScreenLookup::index({1440, 500}, frames), 0u);
    EXPECT_EQ(ScreenLookup::index({1441, 1080}, frames), 1u);
    EXPECT_EQ(ScreenLookup::index({-1, 0}, frames), std::nullopt);
    EXPECT_EQ(ScreenLookup::index({nan, 10}, frames), std::nullopt);
}

TEST(SelectionTest, FrontToBack) {
    using kit::WindowOrder::frontToBack;
    using Ids = std::vector<std::uint32_t>;
    EXPECT_EQ(frontToBack({5, 7, 9, 11}, {9, 3, 5, 9}), (Ids{9, 5, 7, 11}));
    EXPECT_EQ(frontToBack({8, 1, 8, 2, 1}, {1, 8}), (Ids{1, 1, 8, 8, 2}));
}

} // namespace
