#include <gtest/gtest.h>

#include "app/ui/Icons.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>

#include <cstdlib>

namespace {

// Pixels of an icon drawn at `side` that are not fully transparent.
int inkedPixels(const QIcon& icon, int side) {
    const QImage image = icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            inked += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return inked;
}

} // namespace

TEST(Icons, EveryGlyphTheProgramNamesHasAThemeNameAndItsOwnSvg) {
    const QStringList files = QFileInfo(Icons::resourcePath("xmark")).dir().entryList();
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        const std::string name = file.chopped(4).toStdString();
        EXPECT_TRUE(Icons::isKnown(name)) << name;
        EXPECT_FALSE(Icons::themeNames(name).empty()) << name;
        // Rendered on a clean background: some ink, but far from a filled (uninitialised) square.
        for (int side : {16, 22, 64}) {
            const int inked = inkedPixels(Icons::drawnIcon(name), side);
            EXPECT_GT(inked, side) << name << " at " << side;
            EXPECT_LT(inked, side * side * 9 / 10) << name << " at " << side;
        }
    }
}

TEST(Icons, FilledGlyphsKeepTheirDetailInTheContrastColour) {
    const QImage image = Icons::drawnIcon("xmark.circle.fill").pixmap(48, 48).toImage();
    const QColor ink = QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
    const QColor centre = image.pixelColor(24, 24);
    EXPECT_GT(std::abs(centre.lightness() - ink.lightness()), 128);
    EXPECT_LT(std::abs(image.pixelColor(24, 6).lightness() - ink.lightness()), 16);
}

TEST(Icons, UnknownNamesGiveNoIcon) {
    EXPECT_FALSE(Icons::isKnown("no.such.glyph"));
    EXPECT_TRUE(Icons::icon("no.such.glyph").isNull());
}
