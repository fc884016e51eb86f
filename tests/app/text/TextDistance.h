#pragma once
// How far a recognised text is from its truth, in characters (code points): the score of the
// rendered screen-text set in the recogniser's test and in bench/TextBench.cpp.

#include <QList>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace screentext {

// Levenshtein distance: insertions, deletions and substitutions of one character each.
inline std::size_t editDistance(const QString& truth, const QString& read) {
    const QList<uint> a = truth.toUcs4(), b = read.toUcs4();
    std::vector<std::size_t> row(static_cast<std::size_t>(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j) row[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = static_cast<std::size_t>(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

} // namespace screentext
