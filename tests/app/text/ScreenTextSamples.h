#pragma once
// A rendered set of screen text with the truth beside each image: UI English, Italian with
// accents, code with symbols and headings over body text, in several fonts and sizes of 9 to
// 16 pixels, light, dark and grey themes, hinted and unhinted, at scale 1 and 2. Each image is a
// 600 x 200 point area, as a user drags over a window. Used by the tests and bench/.

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <vector>

namespace screentext {

struct Sample {
    QString name;
    QImage image;
    // The lines as drawn, joined by line feeds.
    QString truth;
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

enum class Kind { interface, italian, code, headed };

inline QStringList corpus(Kind kind) {
    switch (kind) {
    case Kind::interface:
        return {"Save changes to the document before closing?",
                "Your changes will be lost if you don't save them.",
                "Downloads: 3 items, 1.2 GB available on disk",
                "Version 2.4.1 (build 1187) was released on 14 March 2024",
                "Open recent files from the sidebar or press Ctrl+O",
                "Network settings: Wi-Fi connected to Office-5G",
                "Sort by name, date modified, size or type",
                "The printer is offline. Check the cable and try again.",
                "Battery at 64%, about 3 hours and 20 minutes left",
                "Send feedback to support@example.com within 30 days"};
    case Kind::italian:
        return {"Vuoi salvare le modifiche prima di chiudere?",
                "Perché la città è più bella d'estate, però costa di più.",
                "Impostazioni di sistema: schermo e luminosità",
                "Il file è già stato eliminato dal cestino.",
                "Così è andata: ne parleremo lunedì alle 9:30.",
                "Età, qualità e novità sono parole accentate.",
                "Apri la cartella Documenti e scegli un modello",
                "Il caffè è pronto: tre tazze sulla scrivania."};
    case Kind::code:
        return {"for (int i = 0; i < count; ++i) { sum += v[i]; }",
                "if (ptr != nullptr && ptr->size() >= 2) return {};",
                "const auto path = std::filesystem::path(\"/tmp\");",
                "def area(w, h): return w * h # in pixels",
                "x = {'key': [1, 2, 3], \"other\": None}",
                "git commit -m \"Fix #42: handle empty input\"",
                "SELECT name, total FROM orders WHERE id > 100;",
                "let mask = (flags & 0x0F) | (bits << 4);"};
    case Kind::headed:
        return corpus(Kind::interface);
    }
    return {};
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
    return {name, image, drawn.join('\n')};
}

// The whole set: every size from 9 to 16 pixels in every theme at both scales, the kind of text,
// the font and hinting changing from image to image.
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
                const QString name = QString("%1-%2px-%3-%4x-%5%6")
                                         .arg(theme.name)
                                         .arg(size)
                                         .arg(QString(font).remove(' ').toLower())
                                         .arg(scale)
                                         .arg(kind == Kind::code ? "code" : kind == Kind::italian ? "italian"
                                                                        : kind == Kind::headed ? "headed" : "ui")
                                         .arg(hinted ? "" : "-unhinted");
                samples.push_back(render(name, kind, font, size, theme, scale, hinted, index));
            }
        }
    }
    return samples;
}

} // namespace screentext
