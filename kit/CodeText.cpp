#include "kit/CodeText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

namespace kit::CodeText {

namespace {

constexpr std::string_view brackets = "()[]{}";
constexpr std::string_view quotes = "\"'";
// Characters prose seldom holds and code is full of.
constexpr std::string_view codeMarks = "[]{}<>=+*|&^%$#@~\\_/\"';";

bool isOneOf(std::string_view set, const std::string& text) {
    return text.size() == 1 && set.find(text[0]) != std::string_view::npos;
}

bool isDigit(const std::string& text) { return text.size() == 1 && text[0] >= '0' && text[0] <= '9'; }
bool isLower(const std::string& text) { return text.size() == 1 && text[0] >= 'a' && text[0] <= 'z'; }
bool isUpper(const std::string& text) { return text.size() == 1 && text[0] >= 'A' && text[0] <= 'Z'; }
bool isAlnum(const std::string& text) { return isDigit(text) || isLower(text) || isUpper(text); }

double median(std::vector<double> values) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Where the line's letters stand: the x-height, the baseline and the top of capitals and digits,
// in pixels (y down), from the glyphs whose shape is certain enough.
struct Metrics {
    double xHeight = 0;
    // The small letters' boxes agree on their height: the recogniser placed them well.
    bool evenXHeight = false;
    double baseline = 0;

    // Tall glyphs reach well above the x-height (capitals, digits, ascenders, brackets).
    bool tall(const ReadGlyph& glyph) const { return glyph.box.minY() < baseline - 1.2 * xHeight; }
    bool descends(const ReadGlyph& glyph) const { return glyph.box.maxY() > baseline + 0.2 * xHeight; }
    bool onBaseline(const ReadGlyph& glyph) const { return std::abs(glyph.box.maxY() - baseline) <= 0.2 * xHeight; }
};

Metrics metricsOf(const std::vector<ReadGlyph>& glyphs) {
    std::vector<double> xHeights, bottoms, heights, allBottoms;
    for (const ReadGlyph& glyph : glyphs) {
        heights.push_back(glyph.box.height());
        allBottoms.push_back(glyph.box.maxY());
        if (isOneOf("acemnorsuvwxz", glyph.text)) xHeights.push_back(glyph.box.height());
        if (isAlnum(glyph.text) && !isOneOf("gjpqyQ", glyph.text)) bottoms.push_back(glyph.box.maxY());
    }
    Metrics metrics;
    metrics.xHeight = xHeights.empty() ? 0.6 * median(heights) : median(xHeights);
    if (!xHeights.empty()) {
        std::sort(xHeights.begin(), xHeights.end());
        metrics.evenXHeight = xHeights[xHeights.size() * 3 / 4] <= 1.2 * xHeights[xHeights.size() / 4];
    }
    metrics.baseline = bottoms.empty() ? median(allBottoms) : median(bottoms);
    return metrics;
}

// The recogniser's other readings of a glyph among `set`, best first, with the glyph's own.
std::vector<std::string> choicesWithin(const ReadGlyph& glyph, std::string_view set, double floor) {
    std::vector<std::string> choices;
    if (isOneOf(set, glyph.text)) choices.push_back(glyph.text);
    for (const GlyphChoice& choice : glyph.alternatives) {
        if (choice.confidence >= floor && isOneOf(set, choice.text) &&
            std::find(choices.begin(), choices.end(), choice.text) == choices.end()) {
            choices.push_back(choice.text);
        }
    }
    return choices;
}

std::size_t characters(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; }));
}

// A recogniser's box that spans the line's height tells nothing of the glyph's own shape.
bool trustworthy(const ReadGlyph& glyph, const Metrics& metrics) {
    return glyph.box.height() <= 1.9 * metrics.xHeight;
}

// Typographic quotes and dashes as the plain characters code is written in; a guillemet no
// higher than a dot is a dot.
void plainPunctuation(ReadGlyph& glyph, const Metrics& metrics) {
    static const std::vector<std::pair<std::string, std::string>> plain = {
        {"\u201c", "\""}, {"\u201d", "\""}, {"\u201e", "\""}, {"\u201f", "\""}, {"\u2033", "\""},
        {"\u2018", "'"},  {"\u2019", "'"},  {"\u201a", "'"},  {"\u201b", "'"},  {"\u2032", "'"},
        {"\u2014", "--"}, {"\u2015", "--"}};
    for (const auto& [typographic, ascii] : plain) {
        if (glyph.text == typographic) glyph.text = ascii;
    }
    if (glyph.text == "\u2013") glyph.text = glyph.box.width() >= 1.2 * metrics.xHeight ? "--" : "-";
    if ((glyph.text == "\u00ab" || glyph.text == "\u00bb") && glyph.box.height() <= 0.35 * metrics.xHeight &&
        metrics.onBaseline(glyph)) {
        glyph.text = ".";
    }
}

// A run of letters and digits around glyph `at`, without it.
std::string tokenAround(const std::vector<ReadGlyph>& glyphs, std::size_t at) {
    std::size_t first = at, last = at;
    while (first > 0 && !glyphs[first].startsWord && isAlnum(glyphs[first - 1].text)) --first;
    while (last + 1 < glyphs.size() && !glyphs[last + 1].startsWord && isAlnum(glyphs[last + 1].text)) ++last;
    std::string token;
    for (std::size_t i = first; i <= last; ++i) token += i == at ? "\x01" : glyphs[i].text;
    return token;
}

bool isHexLiteral(const std::string& token) {
    // "0x" then hex digits, with the glyph in question (\x01) and any O standing for a zero.
    if (token.size() < 3 || (token[0] != '0' && token[0] != 'O' && token[0] != '\x01') ||
        (token[1] != 'x' && token[1] != 'X')) {
        return false;
    }
    return std::all_of(token.begin() + 2, token.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == 'O' || c == '\x01'; });
}

// Zero, capital O and small o by the token they stand in, else by height (a zero is as tall as
// a capital); other digits and capitals of a small letter's shape, and p and q, by height; c
// and e by the recogniser's doubt; l, 1 and I by their neighbours.
void decideByShapeAndNeighbours(std::vector<ReadGlyph>& glyphs, const Metrics& metrics) {
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        ReadGlyph& glyph = glyphs[i];
        if (isOneOf("0Oo", glyph.text)) {
            const std::string token = tokenAround(glyphs, i);
            const auto others = [&](auto test) {
                bool any = false, all = true;
                for (char c : token) {
                    if (c == '\x01') continue;
                    any = true;
                    all = all && test(std::string(1, c));
                }
                return any && all;
            };
            if (isHexLiteral(token) || others(isDigit)) {
                glyph.text = "0";
            } else if (others(isUpper)) {
                glyph.text = "O";
            } else if (trustworthy(glyph, metrics) && metrics.evenXHeight &&
                       glyph.box.height() < 1.15 * metrics.xHeight) {
                glyph.text = "o";
            }
        }
    }
    // Where the small letters' boxes agree, a glyph read as a digit or capital whose ink stands no
    // higher than they do is the small letter of its shape ("a-20-9" for "a-z0-9", "0.425" for
    // "0.42s"); a p or q that reaches up and not down is the b or d of its shape ("./puild").
    static const std::vector<std::pair<std::string, std::string>> smallShapes = {
        {"2", "z"}, {"5", "s"}, {"S", "s"}, {"Z", "z"}, {"C", "c"}, {"V", "v"}, {"W", "w"}, {"X", "x"}};
    for (ReadGlyph& glyph : glyphs) {
        if (!trustworthy(glyph, metrics) || !metrics.evenXHeight || metrics.descends(glyph)) continue;
        if (glyph.box.height() < 1.15 * metrics.xHeight && metrics.onBaseline(glyph)) {
            for (const auto& [read, small] : smallShapes) {
                if (glyph.text == read) glyph.text = small;
            }
        }
        if (metrics.tall(glyph) && metrics.onBaseline(glyph)) {
            if (glyph.text == "p") glyph.text = "b";
            if (glyph.text == "q") glyph.text = "d";
        }
    }
    // The recogniser leans to English letter sequences ("we" for "wc"); code has none to lean on,
    // so a c it thought fairly likely stands.
    for (ReadGlyph& glyph : glyphs) {
        if (glyph.text != "e") continue;
        for (const GlyphChoice& choice : glyph.alternatives) {
            if (choice.text == "c" && choice.confidence >= 30) glyph.text = "c";
        }
    }
    for (std::size_t i = 1; i + 1 < glyphs.size(); ++i) {
        const std::string& before = glyphs[i - 1].text;
        const std::string& after = glyphs[i + 1].text;
        if (glyphs[i].startsWord || glyphs[i + 1].startsWord) continue;
        if (isOneOf("lI", glyphs[i].text) && isDigit(before) && isDigit(after)) glyphs[i].text = "1";
        if (glyphs[i].text == "1" && isLower(before) && isLower(after)) glyphs[i].text = "l";
    }
}

// How far the brackets and quotes of a line are from pairing up.
int unbalance(const std::vector<ReadGlyph>& glyphs) {
    std::string open;
    int faults = 0, doubles = 0, singles = 0;
    for (const ReadGlyph& glyph : glyphs) {
        if (glyph.text.size() != 1) continue;
        const char c = glyph.text[0];
        if (c == '(' || c == '[' || c == '{') {
            open += c;
        } else if (c == ')' || c == ']' || c == '}') {
            const char opener = c == ')' ? '(' : c == ']' ? '[' : '{';
            if (!open.empty() && open.back() == opener) {
                open.pop_back();
            } else {
                ++faults;
            }
        } else if (c == '"') {
            ++doubles;
        } else if (c == '\'') {
            ++singles;
        }
    }
    return faults + static_cast<int>(open.size()) + doubles % 2 + singles % 2;
}

bool hasChoice(const ReadGlyph& glyph, const std::string& text, double floor) {
    return std::any_of(glyph.alternatives.begin(), glyph.alternatives.end(),
                       [&](const GlyphChoice& choice) { return choice.text == text && choice.confidence >= floor; });
}

// Glyphs that start a token: the line's first, one after a break, and one after a mark that
// paths and variables follow.
bool startsToken(const std::vector<ReadGlyph>& glyphs, std::size_t i) {
    return i == 0 || glyphs[i].startsWord || isOneOf("\"'=:.({,", glyphs[i - 1].text);
}

// A run of small letters from `i` up to a slash, without a break.
bool lettersThenSlash(const std::vector<ReadGlyph>& glyphs, std::size_t i) {
    std::size_t letters = 0;
    for (; i < glyphs.size() && !glyphs[i].startsWord && isLower(glyphs[i].text); ++i) ++letters;
    return letters >= 2 && i < glyphs.size() && !glyphs[i].startsWord && glyphs[i].text == "/";
}

// What the recogniser takes for other glyphs where paths, variables and patterns begin: the
// slash of a path ("Jusr/lib", ".Ibuild/") and its tilde ("-/.config"), the dollar of a shell
// variable ("SHOME") where the line holds one or the ink reaches below the line, a pattern's
// anchor ("/*[a-z]").
void decideTokenStarts(std::vector<ReadGlyph>& glyphs, const Metrics& metrics, bool monospaced) {
    const bool anyDollar = std::any_of(glyphs.begin(), glyphs.end(), [](const ReadGlyph& glyph) { return glyph.text == "$"; });
    for (std::size_t i = 0; i + 1 < glyphs.size(); ++i) {
        ReadGlyph& glyph = glyphs[i];
        if (!startsToken(glyphs, i) || glyphs[i + 1].startsWord) continue;
        if (lettersThenSlash(glyphs, i + 1)) {
            // A slash is wider than an l's stroke, and ".l" begins a hidden file's name.
            const bool wideStroke = !monospaced && trustworthy(glyph, metrics) && glyph.box.width() >= 0.5 * metrics.xHeight;
            if (isOneOf("JI[]", glyph.text) ||
                (isOneOf("l|1", glyph.text) && (i == 0 || glyphs[i - 1].text != ".") && (wideStroke || hasChoice(glyph, "/", 30)))) {
                glyph.text = "/";
            }
        } else if (glyph.text == "-" && glyphs[i + 1].text == "/") {
            glyph.text = "~";
        } else if (glyph.text == "/" && glyphs[i + 1].text == "*" && i + 2 < glyphs.size() && !glyphs[i + 2].startsWord &&
                   isOneOf("[(", glyphs[i + 2].text)) {
            // A comment's opening is followed by a space; a pattern's anchor by what it anchors.
            glyphs[i + 1].text = "^";
        } else if (glyph.text == "S" && i + 2 < glyphs.size() && isUpper(glyphs[i + 1].text) &&
                   isUpper(glyphs[i + 2].text) && !glyphs[i + 2].startsWord &&
                   (anyDollar || hasChoice(glyph, "$", 30) || glyph.box.maxY() > metrics.baseline + 0.1 * metrics.xHeight)) {
            glyph.text = "$";
        }
    }
}

// A tall stroke reaching below the baseline that the recogniser read as l, I, f or J may be a
// bracket; it is one, and the recogniser's doubts between brackets and between quotes are
// settled, by what pairs the line's brackets and quotes best, then by what it found likeliest.
void pairBracketsAndQuotes(std::vector<ReadGlyph>& glyphs, const Metrics& metrics) {
    struct Doubt {
        std::size_t index;
        std::vector<std::string> choices;
    };
    std::vector<Doubt> doubts;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const ReadGlyph& glyph = glyphs[i];
        if (isOneOf("lI1ifJ", glyph.text) && trustworthy(glyph, metrics) && metrics.tall(glyph) &&
            metrics.descends(glyph)) {
            // The letter it was read as comes last, its shape speaks against it; unless a small
            // letter follows it closely, which a closing bracket seldom has.
            const bool inWord = i + 1 < glyphs.size() && !glyphs[i + 1].startsWord && isLower(glyphs[i + 1].text);
            std::vector<std::string> choices = choicesWithin(glyph, brackets, 0);
            if (inWord) choices.insert(choices.begin(), glyph.text);
            for (const char* fallback : {"[", "]", "(", ")", "{", "}"}) {
                if (std::find(choices.begin(), choices.end(), fallback) == choices.end()) choices.emplace_back(fallback);
            }
            if (!inWord) choices.push_back(glyph.text);
            doubts.push_back({i, std::move(choices)});
        } else if (isOneOf("lI1ifJ", glyph.text) && metrics.tall(glyph) && !choicesWithin(glyph, brackets, 30).empty()) {
            // A letter of a likely shape that the recogniser also thought a bracket.
            std::vector<std::string> choices = choicesWithin(glyph, brackets, 30);
            choices.insert(choices.begin(), glyph.text);
            doubts.push_back({i, std::move(choices)});
        } else if (isOneOf(brackets, glyph.text) || isOneOf(quotes, glyph.text) || isOneOf("*", glyph.text)) {
            const std::string_view set = isOneOf(brackets, glyph.text) ? brackets : std::string_view("\"'*");
            std::vector<std::string> choices = choicesWithin(glyph, set, 0.5 * glyph.confidence);
            if (choices.size() > 1) doubts.push_back({i, std::move(choices)});
        }
    }
    if (doubts.empty()) return;
    // Few doubts in a line; keep the search small all the same.
    std::size_t combinations = 1;
    for (Doubt& doubt : doubts) {
        if (combinations > 4096) doubt.choices.resize(1);
        combinations *= doubt.choices.size();
    }
    std::vector<std::size_t> pick(doubts.size(), 0), best = pick;
    int bestFaults = std::numeric_limits<int>::max();
    std::size_t bestRank = 0;
    double bestRating = 0;
    const std::function<void(std::size_t, std::size_t)> search = [&](std::size_t d, std::size_t rank) {
        if (d == doubts.size()) {
            const int faults = unbalance(glyphs);
            // Last, what the recogniser rated higher.
            double rating = 0;
            for (const Doubt& doubt : doubts) {
                for (const GlyphChoice& choice : glyphs[doubt.index].alternatives) {
                    if (choice.text == glyphs[doubt.index].text) rating += choice.confidence;
                }
            }
            if (faults < bestFaults || (faults == bestFaults && rank < bestRank) ||
                (faults == bestFaults && rank == bestRank && rating > bestRating)) {
                bestFaults = faults;
                bestRank = rank;
                bestRating = rating;
                best = pick;
            }
            return;
        }
        for (std::size_t c = 0; c < doubts[d].choices.size(); ++c) {
            pick[d] = c;
            glyphs[doubts[d].index].text = doubts[d].choices[c];
            search(d + 1, rank + c);
        }
    };
    search(0, 0);
    for (std::size_t d = 0; d < doubts.size(); ++d) glyphs[doubts[d].index].text = doubts[d].choices[best[d]];
}

// A flat stroke at the foot of the line, most of a cell (or gap) wide: an underscore.
bool flatAtFoot(const Rect& blob, const Metrics& metrics, double minWidth) {
    return blob.height() <= std::max(2.0, 0.3 * metrics.xHeight) &&
           blob.minY() >= metrics.baseline - 0.15 * metrics.xHeight &&
           blob.maxY() <= metrics.baseline + 0.6 * metrics.xHeight && blob.width() >= minWidth;
}

// A flat blob at the foot of the line, between `before` and `after`, filling most of the gap.
bool underscoreBetween(const ReadGlyph& before, const ReadGlyph& after, const std::vector<Rect>& ink,
                       const Metrics& metrics) {
    const double left = before.box.maxX(), right = after.box.minX();
    return std::any_of(ink.begin(), ink.end(), [&](const Rect& blob) {
        return flatAtFoot(blob, metrics, 0.5 * (right - left)) && blob.midX() > left && blob.midX() < right;
    });
}

// What stands between each glyph and the one before: the recogniser's word breaks, corrected
// where the glyphs' positions clearly say otherwise. On a monospaced line the count of empty
// cells decides; on a proportional one only a gap much narrower or wider than a space does. A
// break with an underscore lying in it is the underscore.
std::vector<std::string> separators(const std::vector<ReadGlyph>& glyphs, const std::vector<Rect>& ink,
                                    const Metrics& metrics, double advance) {
    std::vector<std::string> between(glyphs.size());
    for (std::size_t i = 1; i < glyphs.size(); ++i) {
        const ReadGlyph& before = glyphs[i - 1];
        const ReadGlyph& glyph = glyphs[i];
        int spaces = glyph.startsWord ? 1 : 0;
        if (advance > 0) {
            const double cells = (glyph.box.midX() - before.box.midX()) / advance -
                                 0.5 * static_cast<double>(characters(before.text) + characters(glyph.text));
            if (spaces == 1 && cells < 0.4) spaces = 0;
            if (spaces == 0 && cells > 0.75) spaces = 1;
        } else if (trustworthy(before, metrics) && trustworthy(glyph, metrics)) {
            const double gap = (glyph.box.minX() - before.box.maxX()) / metrics.xHeight;
            if (gap < 0.15) spaces = 0;
            if (gap > 1.2) spaces = 1;
        }
        if (spaces == 1 && before.text != "_" && glyph.text != "_" && underscoreBetween(before, glyph, ink, metrics)) {
            between[i] = "_";
        } else {
            between[i] = std::string(static_cast<std::size_t>(spaces), ' ');
        }
    }
    return between;
}

// A glyph box far wider than its cells is the recogniser losing track of where it is.
bool fitsCells(const ReadGlyph& glyph, double advance) {
    return glyph.box.width() <= 1.6 * advance * static_cast<double>(characters(glyph.text));
}

// On a monospaced line two glyphs in one cell are one character read twice; the surer stays.
void dropDoubles(std::vector<ReadGlyph>& glyphs, double advance) {
    for (std::size_t i = 1; i < glyphs.size();) {
        const ReadGlyph& before = glyphs[i - 1];
        ReadGlyph& glyph = glyphs[i];
        if (glyph.startsWord || characters(before.text) != 1 || characters(glyph.text) != 1 ||
            !fitsCells(before, advance) || !fitsCells(glyph, advance) ||
            std::abs(glyph.box.midX() - before.box.midX()) >= 0.5 * advance) {
            ++i;
            continue;
        }
        if (glyph.confidence > before.confidence) {
            glyph.startsWord = before.startsWord;
            glyphs.erase(glyphs.begin() + static_cast<std::ptrdiff_t>(i - 1));
        } else {
            glyphs.erase(glyphs.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

// A monospaced line's breaks from its grid of cells: each glyph takes the next cell holding ink;
// an empty cell passed over is a space, one holding only a flat stroke at the foot an
// underscore. Nothing when the cells and the glyphs don't agree.
std::optional<std::vector<std::string>> cellSeparators(const std::vector<ReadGlyph>& glyphs,
                                                       const std::vector<Rect>& ink, const Metrics& metrics,
                                                       double advance) {
    // The grid from the ink's centres (a character's ink stands in the middle of its cell), fitted
    // left to right so that an advance a little off doesn't add up along the line.
    std::vector<double> centres;
    for (const Rect& blob : ink) {
        if (blob.width() <= advance && blob.minY() < metrics.baseline - 0.1 * metrics.xHeight &&
            blob.maxY() > metrics.baseline - 0.9 * metrics.xHeight) {
            centres.push_back(blob.midX());
        }
    }
    if (centres.size() < 3) return std::nullopt;
    std::sort(centres.begin(), centres.end());
    double origin = centres.front(), n = 0, sumK = 0, sumX = 0, sumKK = 0, sumKX = 0;
    for (const double x : centres) {
        const double k = std::round((x - origin) / advance);
        n += 1;
        sumK += k;
        sumX += x;
        sumKK += k * k;
        sumKX += k * x;
        const double spread = n * sumKK - sumK * sumK;
        if (spread > 0 && k >= 4) {
            const double fitted = (n * sumKX - sumK * sumX) / spread;
            if (std::abs(fitted - advance) < 0.1 * advance) advance = fitted;
        }
        origin = (sumX - advance * sumK) / n;
    }
    const auto cellOf = [&](double x) { return static_cast<long>(std::lround((x - origin) / advance)); };

    double left = glyphs.front().box.minX(), right = glyphs.back().box.maxX();
    for (const ReadGlyph& glyph : glyphs) right = std::max(right, glyph.box.maxX());
    const long first = cellOf(left) - 1;
    enum class Cell { empty, flat, ink };
    std::vector<Cell> cells(static_cast<std::size_t>(std::max(0L, cellOf(right) + 2 - first)), Cell::empty);
    for (const Rect& blob : ink) {
        // Tails of the lines above and below.
        if (blob.maxY() < metrics.baseline - 1.7 * metrics.xHeight || blob.minY() > metrics.baseline + 0.7 * metrics.xHeight) {
            continue;
        }
        const bool flat = flatAtFoot(blob, metrics, 0.5 * advance);
        for (long k = cellOf(blob.minX() - 0.2 * advance); k <= cellOf(blob.maxX() + 0.2 * advance); ++k) {
            const double centre = origin + static_cast<double>(k) * advance;
            if (k < first || k - first >= static_cast<long>(cells.size()) || blob.maxX() < centre - 0.25 * advance ||
                blob.minX() > centre + 0.25 * advance) {
                continue;
            }
            Cell& cell = cells[static_cast<std::size_t>(k - first)];
            cell = flat ? std::max(cell, Cell::flat) : Cell::ink;
        }
    }

    std::vector<std::string> between(glyphs.size());
    std::size_t k = 0, agreeing = 0, placed = 0;
    while (k < cells.size() && cells[k] == Cell::empty) ++k;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const bool underscore = glyphs[i].text == "_";
        std::string gap;
        while (k < cells.size() && !(cells[k] == Cell::ink || (underscore && cells[k] == Cell::flat))) {
            gap += cells[k++] == Cell::flat ? '_' : ' ';
        }
        if (k == cells.size()) return std::nullopt;
        if (i > 0) between[i] = gap;
        if (characters(glyphs[i].text) == 1 && fitsCells(glyphs[i], advance)) {
            ++placed;
            const double centre = origin + static_cast<double>(first + static_cast<long>(k)) * advance;
            if (std::abs(glyphs[i].box.midX() - centre) <= 0.5 * advance) ++agreeing;
        }
        k += characters(glyphs[i].text);
    }
    for (; k < cells.size(); ++k) {
        if (cells[k] == Cell::ink) return std::nullopt;
    }
    if (static_cast<double>(agreeing) < 0.9 * static_cast<double>(placed)) return std::nullopt;
    return between;
}

} // namespace

double monospaceAdvance(const std::vector<ReadGlyph>& glyphs) {
    std::vector<double> steps;
    for (std::size_t i = 1; i < glyphs.size(); ++i) {
        if (!glyphs[i].startsWord) steps.push_back(glyphs[i].box.midX() - glyphs[i - 1].box.midX());
    }
    if (steps.size() < 6) return 0;
    const double typical = median(steps);
    if (!(typical > 0)) return 0;
    const auto regular = std::count_if(steps.begin(), steps.end(),
                                       [&](double step) { return std::abs(step - typical) <= 0.15 * typical; });
    if (static_cast<double>(regular) < 0.85 * static_cast<double>(steps.size())) return 0;
    // Fitted over the whole line, so that rounding errors don't add up across it.
    double along = 0, squares = 0;
    const double origin = glyphs.front().box.midX();
    for (const ReadGlyph& glyph : glyphs) {
        const double cell = std::round((glyph.box.midX() - origin) / typical);
        along += (glyph.box.midX() - origin) * cell;
        squares += cell * cell;
    }
    return squares > 0 ? along / squares : typical;
}

bool looksLikeCode(const std::vector<ReadGlyph>& glyphs) {
    if (monospaceAdvance(glyphs) > 0) return true;
    const auto marks = std::count_if(glyphs.begin(), glyphs.end(),
                                     [](const ReadGlyph& glyph) { return isOneOf(codeMarks, glyph.text); });
    return marks >= 3 || (marks >= 2 && static_cast<double>(marks) >= 0.1 * static_cast<double>(glyphs.size()));
}

std::string read(std::vector<ReadGlyph> glyphs, const std::vector<Rect>& ink) {
    if (glyphs.empty()) return {};
    const double advance = monospaceAdvance(glyphs);
    const Metrics metrics = metricsOf(glyphs);
    if (!(metrics.xHeight > 0)) {
        std::string text;
        for (const ReadGlyph& glyph : glyphs) {
            if (glyph.startsWord && !text.empty()) text.push_back(' ');
            text.append(glyph.text);
        }
        return text;
    }
    for (ReadGlyph& glyph : glyphs) plainPunctuation(glyph, metrics);
    if (advance > 0) dropDoubles(glyphs, advance);
    decideByShapeAndNeighbours(glyphs, metrics);
    decideTokenStarts(glyphs, metrics, advance > 0);
    pairBracketsAndQuotes(glyphs, metrics);
    std::optional<std::vector<std::string>> between;
    if (advance > 0) between = cellSeparators(glyphs, ink, metrics, advance);
    if (!between) between = separators(glyphs, ink, metrics, advance);
    std::string text;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        text.append((*between)[i]);
        text.append(glyphs[i].text);
    }
    return text;
}

} // namespace kit::CodeText
