#include "kit/MarkupStyle.h"

#include <gtest/gtest.h>

#include <limits>

namespace MarkupStyle = kit::MarkupStyle;

namespace {

TEST(MarkupStyleTest, StoredChoicesReadBackAsOfferedValues) {
    EXPECT_EQ(MarkupStyle::colourText({0xE5, 0x39, 0x35}), "#E53935");
    EXPECT_EQ(MarkupStyle::parseColour("#e53935"), (MarkupStyle::Rgb{0xE5, 0x39, 0x35}));
    for (const char* bad : {"", "E53935", "#E5393", "#E53935F", "#G53935"}) EXPECT_FALSE(MarkupStyle::parseColour(bad)) << bad;
    EXPECT_EQ(MarkupStyle::strokeWidth(5), 4);
    EXPECT_EQ(MarkupStyle::strokeWidth(100), 8);
    EXPECT_EQ(MarkupStyle::strokeWidth(std::numeric_limits<double>::quiet_NaN()), MarkupStyle::defaultStrokeWidth);
    EXPECT_EQ(MarkupStyle::textSize(30), 28);
    EXPECT_EQ(MarkupStyle::pixelDensity(5669 * 0.0254), 2);
    EXPECT_EQ(MarkupStyle::pixelDensity(108), 1.5);
    EXPECT_EQ(MarkupStyle::pixelDensity(300), 1) << "a photo's resolution is no screen scale";
    EXPECT_EQ(MarkupStyle::pixelDensity(0), 1);
    EXPECT_TRUE(MarkupStyle::wantsDarkText({0xFD, 0xD8, 0x35}));
    EXPECT_FALSE(MarkupStyle::wantsDarkText({0xE5, 0x39, 0x35}));
}

TEST(MarkupStyleTest, StepsAreNumberedInTheOrderPlacedAndCloseUpWhenOneGoes) {
    EXPECT_EQ(MarkupStyle::stepNumbers({7, 2, 9}), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(MarkupStyle::stepNumbers({7, 9}), (std::vector<int>{1, 2}));
    EXPECT_TRUE(MarkupStyle::stepNumbers({}).empty());
}

} // namespace
