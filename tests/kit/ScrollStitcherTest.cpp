#include "kit/ScrollStitcher.h"

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace kit {
namespace {

using Outcome = ScrollStitcher::Outcome;

constexpr std::uint32_t white = 0xffffffff, ink = 0xff202020, track = 0xffdddddd, thumb = 0xff888888;

// A page of lines of random "words" on white, with blank gaps between paragraphs; its first row
// shows something, so where it starts is never in doubt, and it ends on blank rows.
struct Page {
    int width;
    std::vector<std::uint32_t> pixels;

    Page(int width, int height, unsigned seed, int repeatEvery = 0) : width(width), pixels(std::size_t(width) * height, white) {
        std::mt19937 random(seed);
        for (int y = 0; y < height; ++y) {
            const int line = repeatEvery ? y % repeatEvery : y;
            if (line % 20 >= 14 || (line / 20) % 6 == 5) continue;
            std::mt19937 glyphs(repeatEvery ? seed + line : random());
            for (int x = 4; x < width - 4; ++x)
                if (glyphs() % 3 == 0 && (x / 23) % 4 != 3) pixels[std::size_t(y) * width + x] = ink + (glyphs() % 7);
        }
        for (int x = 0; x < width; ++x) pixels[x] = 0xff000000 | (x * 2654435761u);
    }
    int height() const { return int(pixels.size() / width); }
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// A window onto the page scrolled to `top`: a fixed header and footer, and a scroll bar beside
// the page whose thumb follows the scrolling.
struct Area {
    static constexpr int header = 24, footer = 16, bar = 12, view = 200;
    static constexpr int width = 200, height = header + view + footer;
    const Page& page;
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(std::size_t(width) * height);

    PixelRows at(int top) {
        const int thumbTop = top * view / page.height(), thumbRows = view * view / page.height();
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint32_t& p = pixels[std::size_t(y) * width + x];
                if (y < header) p = 0xff3050a0 + ((x / 10 + y / 6) % 2) * 0x404040;
                else if (y >= header + view) p = 0xff104010 + ((x / 7) % 3) * 0x10;
                else if (x < width - bar) p = page.at(x, top + y - header);
                else p = (y - header >= thumbTop && y - header < thumbTop + thumbRows) ? thumb : track;
            }
        }
        return {pixels.data(), width, height, width};
    }
};

// What the joined frames must give: the header, the page down to what was shown last and the
// footer (or the page alone, without fixed rows), all without the scroll bar's columns.
std::vector<std::uint32_t> expected(Area& area, int lastTop, bool withFixedRows) {
    std::vector<std::uint32_t> rows;
    const int pageWidth = Area::width - Area::bar;
    const auto add = [&](int y) { rows.insert(rows.end(), area.pixels.begin() + std::ptrdiff_t(y) * Area::width,
                                              area.pixels.begin() + std::ptrdiff_t(y) * Area::width + pageWidth); };
    area.at(0);
    if (withFixedRows) for (int y = 0; y < Area::header; ++y) add(y);
    for (int y = 0; y < lastTop + Area::view; ++y)
        rows.insert(rows.end(), area.page.pixels.begin() + std::ptrdiff_t(y) * pageWidth,
                    area.page.pixels.begin() + std::ptrdiff_t(y + 1) * pageWidth);
    area.at(lastTop);
    if (withFixedRows) for (int y = Area::height - Area::footer; y < Area::height; ++y) add(y);
    return rows;
}

TEST(ScrollStitcher, JoinsUnevenStepsDownToTheEndWithFixedRowsOnceAndNoScrollBar) {
    const Page page(Area::width - Area::bar, 1500, 7);
    Area area{page};
    // Single rows, a wheel's worth, most of the view, and the short last step to the end, where
    // the page's blank last rows look as still as the footer.
    const std::vector<int> tops{0, 1, 4, 64, 208, 390, 391, 550, 733, 900, 1090, 1280, 1300};
    for (const bool withFixedRows : {true, false}) {
        ScrollStitcher stitcher(Area::width, Area::height, 20000);
        EXPECT_EQ(stitcher.add(area.at(0)).outcome, Outcome::started);
        for (std::size_t i = 1; i < tops.size(); ++i) {
            const auto step = stitcher.add(area.at(tops[i]));
            ASSERT_EQ(step.outcome, Outcome::added) << "to " << tops[i];
            EXPECT_EQ(step.moved, tops[i] - tops[i - 1]);
        }
        EXPECT_EQ(stitcher.add(area.at(1300)).outcome, Outcome::unchanged);
        EXPECT_EQ(stitcher.height(), Area::height + 1300);

        const auto picture = stitcher.take(!withFixedRows);
        EXPECT_EQ(picture.width, Area::width - Area::bar);
        const auto wanted = expected(area, 1300, withFixedRows);
        ASSERT_EQ(std::size_t(picture.width) * picture.height, wanted.size());
        EXPECT_TRUE(std::equal(wanted.begin(), wanted.end(), picture.pixels.get()));
    }
}

TEST(ScrollStitcher, ACaretStaysStillAFrameScrolledBackOrTooFarIsNotJoined) {
    const Page page(Area::width - Area::bar, 1500, 11);
    Area area{page};
    ScrollStitcher stitcher(Area::width, Area::height, 20000);
    stitcher.add(area.at(300));

    area.at(300);
    for (int y = 100; y < 116; ++y) area.pixels[std::size_t(y) * Area::width + 50] ^= 0x00ffffff;
    EXPECT_EQ(stitcher.add({area.pixels.data(), Area::width, Area::height, Area::width}).outcome, Outcome::unchanged);

    const auto back = stitcher.add(area.at(260));
    EXPECT_EQ(back.outcome, Outcome::behind);
    EXPECT_EQ(back.moved, -40);
    EXPECT_EQ(stitcher.add(area.at(300 + Area::view)).outcome, Outcome::unmatched);
    EXPECT_EQ(stitcher.height(), Area::height);
    // The reference is still the frame joined last.
    EXPECT_EQ(stitcher.add(area.at(350)).moved, 50);
}

TEST(ScrollStitcher, ContentThatRepeatsIsAmbiguousUnlessBothFramesShowSomethingElse) {
    Page page(Area::width - Area::bar, 1500, 5, 60);
    // Two lines unlike the others: whatever two frames showing both have in common tells the offset.
    for (const int y : {205, 300})
        for (int x = 0; x < page.width; ++x) page.pixels[std::size_t(y) * page.width + x] = 0xffff0000 + x + y;
    Area area{page};
    ScrollStitcher repeating(Area::width, Area::height, 20000);
    repeating.add(area.at(420));
    EXPECT_EQ(repeating.add(area.at(440)).outcome, Outcome::ambiguous);
    EXPECT_EQ(repeating.height(), Area::height);

    ScrollStitcher told(Area::width, Area::height, 20000);
    told.add(area.at(180));
    const auto step = told.add(area.at(200));
    EXPECT_EQ(step.outcome, Outcome::added);
    EXPECT_EQ(step.moved, 20);
}

TEST(ScrollStitcher, StopsAtTheHeightLimit) {
    const Page page(Area::width - Area::bar, 1500, 3);
    Area area{page};
    ScrollStitcher stitcher(Area::width, Area::height, 500);
    stitcher.add(area.at(0));
    EXPECT_EQ(stitcher.add(area.at(150)).outcome, Outcome::added);
    EXPECT_EQ(stitcher.add(area.at(300)).outcome, Outcome::full);
    EXPECT_EQ(stitcher.height(), 500);
    EXPECT_EQ(stitcher.take(false).height, 500);
}

} // namespace
} // namespace kit
