// Readings of monospaced code that the ink contradicts: an e without its bar is a c, a 1 whose
// foot turns right is an l; a true 1 and e, and proportional lines, stay as read.

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "app/text/GlyphShapes.h"

namespace {

// `truth` drawn in `family` as the recogniser would see it, read as `misread` (same length),
// each glyph boxed round its own ink.
std::pair<platform::ocr::EngineLine, QImage> misreadLine(const QString& family, const QString& truth, const QString& misread) {
    QFont font(family);
    font.setPixelSize(28);
    const QFontMetrics metrics(font);
    QImage grey(metrics.horizontalAdvance(truth) + 40, 60, QImage::Format_Grayscale8);
    grey.fill(255);
    QPainter painter(&grey);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(20, 40, truth);
    painter.end();

    platform::ocr::EngineLine line{misread.toStdString(), QRect(20, 10, grey.width() - 40, 40), {}};
    bool space = false;
    for (qsizetype i = 0; i < truth.size(); ++i) {
        if (truth[i] == ' ') {
            space = true;
            continue;
        }
        const int from = 20 + metrics.horizontalAdvance(truth.left(i)), to = 20 + metrics.horizontalAdvance(truth.left(i + 1));
        QRect ink;
        for (int y = 0; y < grey.height(); ++y)
            for (int x = from; x < to; ++x)
                if (grey.constScanLine(y)[x] < 128) ink |= QRect(x, y, 1, 1);
        line.glyphs.push_back({QString(misread[i]).toStdString(), kit::Rect::make(ink.x(), ink.y(), ink.width(), ink.height()), 99, {}, space});
        space = false;
    }
    return {line, grey};
}

std::string readings(const platform::ocr::EngineLine& line) {
    std::string text;
    for (const kit::ReadGlyph& glyph : line.glyphs) text += (glyph.startsWord ? " " : "") + glyph.text;
    return text;
}

TEST(GlyphShapes, MonospacedInkOverrulesTheRecognisersEnglish) {
    for (const char* family : {"DejaVu Sans Mono", "Liberation Mono"}) {
        SCOPED_TRACE(family);
        auto [line, grey] = misreadLine(family, "wc -l src/x1 ee", "we -1 src/x1 ee");
        std::vector<platform::ocr::EngineLine> lines{line};
        GlyphShapes::settle(lines, grey);
        EXPECT_EQ(readings(lines[0]), "wc -l src/x1 ee");
    }
    auto [line, grey] = misreadLine("DejaVu Sans", "wc -l src/x1 ee", "we -1 src/x1 ee");
    std::vector<platform::ocr::EngineLine> lines{line};
    GlyphShapes::settle(lines, grey);
    EXPECT_EQ(readings(lines[0]), "we -1 src/x1 ee") << "a proportional line is left as read";
}

} // namespace
