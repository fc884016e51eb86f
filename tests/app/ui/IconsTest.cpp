#include <gtest/gtest.h>

#include "app/ui/Icons.h"

#include <QImage>
#include <QPixmap>

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

TEST(Icons, EveryGlyphTheProgramNamesHasAThemeNameAndADrawing) {
    for (const char* name :
         {"camera.viewfinder", "record.circle", "record.circle.fill", "exclamationmark.triangle",
          "mic.slash", "text.viewfinder", "doc.on.clipboard", "doc.on.doc", "checkmark",
          "checkmark.circle", "checkmark.circle.fill", "xmark", "xmark.circle.fill",
          "square.and.arrow.down", "folder", "rectangle.dashed", "macwindow", "display"}) {
        EXPECT_TRUE(Icons::isKnown(name)) << name;
        EXPECT_FALSE(Icons::themeNames(name).empty()) << name;
        EXPECT_FALSE(Icons::icon(name).isNull()) << name;
        // Drawn on a clean background: some ink, but far from a filled (uninitialised) square.
        for (int side : {16, 22, 64}) {
            const int inked = inkedPixels(Icons::drawnIcon(name), side);
            EXPECT_GT(inked, 0) << name << " at " << side;
            EXPECT_LT(inked, side * side) << name << " at " << side;
        }
    }
}

TEST(Icons, UnknownNamesGiveNoIcon) {
    EXPECT_FALSE(Icons::isKnown("no.such.glyph"));
    EXPECT_TRUE(Icons::themeNames("no.such.glyph").empty());
    EXPECT_TRUE(Icons::icon("no.such.glyph").isNull());
    EXPECT_TRUE(Icons::drawnIcon("").isNull());
}
