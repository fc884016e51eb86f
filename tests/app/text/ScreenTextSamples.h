#pragma once
// A rendered set of screen text with the truth beside each image: UI English, Italian with
// accents and headings over body text in several fonts and sizes of 9 to 16 pixels; code, shell
// commands, paths and log lines in monospaced and proportional fonts of 11 to 16 pixels; light,
// dark and grey themes, hinted and unhinted, at scale 1 and 2. Each image is a 600 x 200 point
// area, as a user drags over a window; the sentences are in tests/data/screen-text.txt. Used by the
// tests and bench/.

#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <map>
#include <stdexcept>
#include <vector>

namespace screentext {

struct Sample {
    QString name;
    QImage image;
    // The lines as drawn, joined by line feeds.
    QString truth;
    // Code, commands, paths or log lines: read character for character.
    bool code = false;
};

struct Theme {
    const char* name;
    QColor background;
    QColor text;
    // Secondary labels, dimmer than the text.
    QColor secondary;
};

inline const std::vector<Theme>& themes() {
    static const std::vector<Theme> all = {
        {"light", QColor(0xff, 0xff, 0xff), QColor(0x20, 0x20, 0x20), QColor(0x6a, 0x6a, 0x6a)},
        {"dark", QColor(0x1e, 0x1e, 0x1e), QColor(0xe8, 0xe8, 0xe8), QColor(0xa0, 0xa0, 0xa0)},
        {"grey", QColor(0xc8, 0xc8, 0xc8), QColor(0x10, 0x10, 0x10), QColor(0x40, 0x40, 0x40)},
        {"greydark", QColor(0x5c, 0x5c, 0x5c), QColor(0xf4, 0xf4, 0xf4), QColor(0xd0, 0xd0, 0xd0)},
    };
    return all;
}

enum class Kind { interface, italian, code, headed, source, shell, path, log };

inline QString kindName(Kind kind) {
    static const char* names[] = {"ui", "italian", "code", "headed", "source", "shell", "path", "log"};
    return names[static_cast<int>(kind)];
}

// The sentences of `kind`, a section of tests/data/screen-text.txt named as kindName() names it.
inline QStringList corpus(Kind kind) {
    static const std::map<QString, QStringList> sections = [] {
        QFile file(QStringLiteral(GLIMPO_SOURCE_DIR "/tests/data/screen-text.txt"));
        if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("tests/data/screen-text.txt cannot be read");
        std::map<QString, QStringList> read;
        QString section;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith('[') && line.endsWith(']')) section = line.mid(1, line.size() - 2);
            else read[section] << line;
        }
        return read;
    }();
    // Headings over body text use the interface's sentences.
    return sections.at(kindName(kind == Kind::headed ? Kind::interface : kind));
}

inline QString family(int index, Kind kind) {
    static const char* proportional[] = {"DejaVu Sans", "Liberation Sans", "Cantarell", "Liberation Serif"};
    static const char* mono[] = {"DejaVu Sans Mono", "Liberation Mono"};
    if (kind == Kind::code) return mono[index % 2];
    return proportional[index % 4];
}

inline QFont fontOf(const QString& family, int pixelSize, bool hinted, bool bold = false) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(hinted ? QFont::PreferFullHinting : QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Lines from `kind`'s corpus starting at `first`, each cut at a word so it fits the area.
inline Sample render(const QString& name, Kind kind, const QString& family, int pixelSize, const Theme& theme,
                     int scale, bool hinted, int first) {
    constexpr int widthPoints = 600, heightPoints = 200, margin = 10, maxLines = 6;
    QImage image(widthPoints * scale, heightPoints * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.setDotsPerMeterX(3780 * scale);
    image.setDotsPerMeterY(3780 * scale);
    image.fill(theme.background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    const QStringList lines = corpus(kind);
    QStringList drawn;
    double y = margin;
    for (int i = 0; i < maxLines; ++i) {
        const bool heading = kind == Kind::headed && i == 0;
        const QFont font = fontOf(family, heading ? pixelSize * 8 / 5 : pixelSize, hinted, heading);
        const QFontMetricsF metrics(font);
        if (y + metrics.height() > heightPoints - margin) break;
        QStringList words = lines[(first + i) % lines.size()].split(' ');
        while (words.size() > 1 && metrics.horizontalAdvance(words.join(' ')) > widthPoints - 2 * margin) words.removeLast();
        const QString line = words.join(' ');
        painter.setFont(font);
        painter.setPen(i % 3 == 2 ? theme.secondary : theme.text);
        painter.drawText(QPointF(margin, y + metrics.ascent()), line);
        drawn << line;
        y += metrics.height() * 1.45;
    }
    return {name, image, drawn.join('\n'), kind != Kind::interface && kind != Kind::italian && kind != Kind::headed};
}

// theme-size-font-scale-kind[-unhinted], the groups the bench reports.
inline QString nameOf(const Theme& theme, int size, const QString& font, int scale, Kind kind, bool hinted) {
    return QString("%1-%2px-%3-%4x-%5%6")
        .arg(theme.name)
        .arg(size)
        .arg(QString(font).remove(' ').toLower())
        .arg(scale)
        .arg(kindName(kind))
        .arg(hinted ? "" : "-unhinted");
}

// The whole set: every size from 9 to 16 pixels in every theme at both scales, the kind of text,
// the font and hinting changing from image to image; then code, commands, paths and logs from 11
// to 16 pixels, monospaced and proportional by turns.
inline std::vector<Sample> all() {
    std::vector<Sample> samples;
    const Kind kinds[] = {Kind::interface, Kind::italian, Kind::code, Kind::headed};
    int index = 0;
    for (int scale : {1, 2}) {
        for (const Theme& theme : themes()) {
            for (int size = 9; size <= 16; ++size, ++index) {
                const Kind kind = kinds[index % 4];
                const QString font = family(index / 4, kind);
                const bool hinted = index % 3 != 0;
                samples.push_back(render(nameOf(theme, size, font, scale, kind, hinted), kind, font, size, theme, scale,
                                         hinted, index));
            }
        }
    }
    const Kind codeKinds[] = {Kind::source, Kind::shell, Kind::path, Kind::log};
    static const char* fonts[] = {"DejaVu Sans Mono", "Liberation Sans", "Liberation Mono", "DejaVu Sans",
                                  "Nimbus Mono PS", "Nimbus Sans", "DejaVu Sans Mono", "Cantarell"};
    index = 0;
    for (int scale : {1, 2}) {
        for (const Theme& theme : themes()) {
            for (int size = 11; size <= 16; ++size, ++index) {
                const Kind kind = codeKinds[(index + index / 6) % 4];
                const QString font = fonts[(index + index / 4) % 8];
                const bool hinted = index % 3 != 1;
                samples.push_back(render(nameOf(theme, size, font, scale, kind, hinted), kind, font, size, theme, scale,
                                         hinted, index));
            }
        }
    }
    return samples;
}

} // namespace screentext
