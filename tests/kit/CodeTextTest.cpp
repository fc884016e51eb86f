#include "kit/CodeText.h"

#include <gtest/gtest.h>

#include <string_view>

using kit::ReadGlyph;
using kit::Rect;
namespace CodeText = kit::CodeText;

namespace {

// A line as a recogniser reads it: one glyph per character of `layout` on a grid of `advance`
// pixels (spaces are empty cells and start the next word), the ink as the glyph's kind has it
// around a baseline at y 20 with an x-height of 10.
std::vector<ReadGlyph> glyphsOf(std::string_view layout, double advance = 10) {
    const auto among = [](std::string_view set, char c) { return set.find(c) != std::string_view::npos; };
    std::vector<ReadGlyph> glyphs;
    bool space = false;
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const char c = layout[i];
        if (c == ' ') {
            space = true;
            continue;
        }
        double top = 12, bottom = 20;
        if (among("acemnorsuvwxz", c)) top = 10;
        if (among("bdfhiklt!$", c) || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) top = 6;
        if (among("gjpqy", c)) top = 10, bottom = 24;
        if (among("()[]{}|", c)) top = 5, bottom = 23;
        if (among("\"'*", c)) top = 6, bottom = 10;
        if (c == '_') top = 21, bottom = 22;
        const double x = static_cast<double>(i) * advance;
        glyphs.push_back({std::string(1, c), Rect::make(x + 0.2 * advance, top, 0.6 * advance, bottom - top), 95, {},
                          space});
        space = false;
    }
    return glyphs;
}

TEST(CodeTextTest, MonospacedLinesAndLinesDenseInCodeMarksLookLikeCode) {
    EXPECT_TRUE(CodeText::looksLikeCode(glyphsOf("make install")));
    EXPECT_DOUBLE_EQ(CodeText::monospaceAdvance(glyphsOf("make install", 9.5)), 9.5);
    // The same words in a proportional font: narrow and wide letters.
    std::vector<ReadGlyph> prose = glyphsOf("make install");
    double x = 0;
    for (ReadGlyph& glyph : prose) {
        const double width = glyph.text == "i" || glyph.text == "l" ? 4 : glyph.text == "m" ? 14 : 9;
        glyph.box = Rect::make(x, glyph.box.minY(), width - 1, glyph.box.height());
        x += width + (glyph.startsWord ? 5 : 0);
    }
    EXPECT_EQ(CodeText::monospaceAdvance(prose), 0);
    EXPECT_FALSE(CodeText::looksLikeCode(prose));
    prose.push_back({"_", Rect::make(x, 21, 8, 1), 90, {}, false});
    prose.push_back({"/", Rect::make(x + 9, 6, 6, 16), 90, {}, false});
    prose.push_back({"[", Rect::make(x + 16, 5, 4, 18), 90, {}, false});
    EXPECT_TRUE(CodeText::looksLikeCode(prose));
}

TEST(CodeTextTest, QuotesStayStraightBracketsPairAndZerosStandInNumbers) {
    std::vector<ReadGlyph> quoted = glyphsOf("cp \"a.pdf\" 'b'");
    quoted[2].text = "\u201c";
    quoted[8].text = "\u201d";
    quoted[9].text = "\u2018";
    EXPECT_EQ(CodeText::read(quoted, {}), "cp \"a.pdf\" 'b'");

    // A bracket read as l, another as J: tall strokes reaching below the baseline.
    std::vector<ReadGlyph> indexed = glyphsOf("total += values[i][j];");
    indexed[13].text = "l";
    indexed[15].text = "J";
    EXPECT_EQ(CodeText::read(indexed, {}), "total += values[i][j];");
    // A real l stays.
    EXPECT_EQ(CodeText::read(glyphsOf("list[0]"), {}), "list[0]");
    // One on the baseline is a bracket only where the recogniser thought so too and it pairs.
    std::vector<ReadGlyph> closing = glyphsOf("values[i]; all;");
    for (const std::size_t i : {8u, 12u}) {
        closing[i].text = "l";
        closing[i].box = Rect::make(closing[i].box.minX(), 6, 6, 14);
        closing[i].alternatives = {{"l", 90}, {"]", i == 8 ? 50.0 : 35.0}};
    }
    EXPECT_EQ(CodeText::read(closing, {}), "values[i]; all;");

    std::vector<ReadGlyph> hex = glyphsOf("m = 0x0F & 10;");
    hex[2].text = "O";
    hex[4].text = "O";
    hex[8].text = "O";
    EXPECT_EQ(CodeText::read(hex, {}), "m = 0x0F & 10;");
    // Where paths, variables and patterns begin: a slash read as J, a tilde as a dash, a dollar
    // as S, an anchor as a star.
    std::vector<ReadGlyph> paths = glyphsOf("ls /usr/lib ~/.config \"$HOME\" /^[a-z]/");
    paths[2].text = "J";
    paths[10].text = "-";
    paths[20].text = "S";
    paths[20].alternatives = {{"S", 90}, {"$", 40}};
    paths[27].text = "*";
    EXPECT_EQ(CodeText::read(paths, {}), "ls /usr/lib ~/.config \"$HOME\" /^[a-z]/");

    // Without a number around it, a zero is as tall as a capital and an o as a small letter.
    std::vector<ReadGlyph> objects = glyphsOf("rm *.o Xorg.0.log");
    objects[4].text = "0";
    objects[10].text = "O";
    EXPECT_EQ(CodeText::read(objects, {}), "rm *.o Xorg.O.log");
    std::vector<ReadGlyph> word = glyphsOf("TODO: also");
    word[1].text = "0";
    word[8].text = "0";
    EXPECT_EQ(CodeText::read(word, {}), "TODO: also");

    // A digit or capital no taller than the small letters is the small letter of its shape; a p
    // reaching up and not down is a b. True digits and capitals stay.
    std::vector<ReadGlyph> shapes = glyphsOf("[a-z0-9] 0.42s ./build SZ2");
    shapes[3].text = "2";
    shapes[12].text = "5";
    shapes[15].text = "p";
    EXPECT_EQ(CodeText::read(shapes, {}), "[a-z0-9] 0.42s ./build SZ2");

    // Code has no English to lean on: a c the recogniser thought likely is a c.
    std::vector<ReadGlyph> command = glyphsOf("wc -l");
    command[1].text = "e";
    command[1].alternatives = {{"e", 94}, {"c", 48}};
    EXPECT_EQ(CodeText::read(command, {}), "wc -l");
}

TEST(CodeTextTest, SpacesComeFromWhereGlyphsStandAndUnderscoresFromTheInk) {
    std::vector<ReadGlyph> path = glyphsOf("report_final(2).pdf");
    path[15].startsWord = true; // the recogniser's break after a bracket
    EXPECT_EQ(CodeText::read(path, {}), "report_final(2).pdf");
    std::vector<ReadGlyph> loop = glyphsOf("i < n");
    loop[1].startsWord = false;
    EXPECT_EQ(CodeText::read(loop, {}), "i < n");

    // A monospaced line's spaces are its empty cells, however the recogniser boxed the glyphs;
    // a character read twice in one cell is read once.
    std::vector<ReadGlyph> file = glyphsOf("cat ~/config/settings.json  # $HOME");
    std::vector<Rect> ink;
    for (const ReadGlyph& glyph : file) ink.push_back(glyph.box);
    ink.push_back(Rect::make(351, 21, 8, 1)); // an underscore the recogniser missed
    file.push_back({"x", Rect::make(362, 10, 6, 10), 95, {}, false});
    ink.push_back(file.back().box);
    file[20].box = Rect::make(file[20].box.minX(), 5, 40, 18); // the dot's box runs over "json"
    file[21].startsWord = true;
    ReadGlyph twice = file[26];
    twice.text = "S";
    twice.box = Rect::make(twice.box.minX() - 3, 5, 6, 17);
    twice.confidence = 80;
    file[26].startsWord = false;
    file.insert(file.begin() + 26, twice);
    EXPECT_EQ(CodeText::read(file, ink), "cat ~/config/settings.json  # $HOME_x");

    // The recogniser passed over the underscore: a flat blob at the foot of the gap.
    EXPECT_EQ(CodeText::read(glyphsOf("api server"), {Rect::make(30, 21, 10, 1)}), "api_server");
    EXPECT_EQ(CodeText::read(glyphsOf("api server"), {Rect::make(30, 14, 10, 1)}), "api server");
}

} // namespace
