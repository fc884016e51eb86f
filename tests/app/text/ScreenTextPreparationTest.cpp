// Preparing screen text: every theme comes out as dark text on white at the target x-height with
// a white border and its real resolution, and the recogniser's boxes map back onto the capture.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "ScreenTextSamples.h"
#include "app/text/ScreenTextPreparation.h"

namespace {

int mostCommonLevel(const QImage& grey) {
    std::array<long, 256> counts{};
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) ++counts[grey.constScanLine(y)[x]];
    return static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

TEST(ScreenTextPreparation, EveryThemeBecomesDarkTextOnWhiteAtTheTargetXHeight) {
    for (const screentext::Theme& theme : screentext::themes()) {
        for (int scale : {1, 2}) {
            const screentext::Sample sample = screentext::render("sample", screentext::Kind::interface, "DejaVu Sans", 11,
                                                                 theme, scale, true, 0);
            const PreparedPicture prepared = ScreenTextPreparation::prepare(sample.image, 24);
            SCOPED_TRACE(std::string(theme.name) + " at scale " + std::to_string(scale));
            ASSERT_EQ(prepared.picture.format(), QImage::Format_Grayscale8);
            EXPECT_EQ(mostCommonLevel(prepared.picture), 255);
            EXPECT_EQ(prepared.picture.pixelColor(0, 0), QColor(Qt::white));
            EXPECT_GE(prepared.border, 10);
            EXPECT_NEAR(ScreenTextPreparation::xHeight(prepared.picture), 24, 3);
            EXPECT_EQ(prepared.picture.width(), 2 * prepared.border + qRound(sample.image.width() * prepared.scale));
            EXPECT_EQ(prepared.dotsPerInch, qRound(96 * scale * prepared.scale));
        }
    }
}

TEST(ScreenTextPreparation, BoxesMapBackOntoTheCaptureNormalisedWithYUp) {
    PreparedPicture prepared;
    prepared.scale = 2;
    prepared.border = 10;
    prepared.source = QSize(100, 50);
    // The top-left quarter of the capture.
    EXPECT_EQ(prepared.normalisedBox(QRect(10, 10, 100, 50)), kit::Rect::make(0, 0.5, 0.5, 0.5));
    // Reaching into the border: cut at the capture's edge.
    EXPECT_EQ(prepared.normalisedBox(QRect(0, 60, 220, 200)), kit::Rect::make(0, 0, 1, 0.5));
}

TEST(ScreenTextPreparation, ALineKeepsFaintFlatStrokesBesideItsInk) {
    QImage grey(80, 40, QImage::Format_Grayscale8);
    grey.fill(255);
    const auto paint = [&](QRect area, int level) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) grey.scanLine(y)[x] = static_cast<uchar>(level);
    };
    paint({9, 9, 12, 22}, 170);   // a letter's soft edge
    paint({10, 10, 10, 20}, 0);   // the letter
    paint({25, 30, 14, 2}, 170);  // an underscore drawn across two pixel rows
    paint({45, 10, 4, 20}, 170);  // a faint stroke, but no underscore's shape
    const QRect region = grey.rect();
    EXPECT_EQ(ScreenTextPreparation::inkBlobs(grey, region), std::vector<QRect>{QRect(10, 10, 10, 20)});
    EXPECT_EQ(ScreenTextPreparation::lineInk(grey, region), (std::vector<QRect>{QRect(10, 10, 10, 20), QRect(25, 30, 14, 2)}));
}

} // namespace
