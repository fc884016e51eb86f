#pragma once
// A rendered set of screen text with the truth beside each image: UI English, Italian with
// accents and headings over body text in several fonts and sizes of 9 to 16 pixels; code, shell
// commands, paths and log lines in monospaced and proportional fonts of 11 to 16 pixels; light,
// dark and grey themes, hinted and unhinted, at scale 1 and 2. Each image is a 600 x 200 point
// area, as a user drags over a window. Used by the tests and bench/.

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
    case Kind::source:
        return {"for (int i = 0; i < n; ++i) total += values[i];",
                "name = f\"report_final({count}).pdf\"",
                "if (!list.isEmpty() && list[0] == '#') return;",
                "const char* label = argc > 1 ? argv[1] : \"none\";",
                "with open(\"report_final(2).pdf\", \"rb\") as f:",
                "x_max = max(x_min + 1, len(items) - 1)",
                "user_id := data[\"user_id\"].(string)",
                "return a[i][j] * b[j][k];",
                "#include <QtCore/QString>",
                "let re = /^[a-z_][a-z0-9_]*$/i;"};
    case Kind::shell:
        return {"grep -rn \"TODO\" src/ | wc -l",
                "sudo apt-get install -y libtesseract-dev",
                "cp \"report_final(2).pdf\" ~/Documents/",
                "export PATH=\"$HOME/.local/bin:$PATH\"",
                "find . -name '*.o' -mtime +7 -delete",
                "docker run --rm -v \"$PWD\":/src gcc:13 make -j4",
                "git log --oneline --since=2.weeks -- app/text/",
                "ssh -p 2222 deploy@10.0.0.12 'systemctl restart api_server'",
                "tar -xzf node-v20.11.1-linux-x64.tar.gz -C /opt",
                "python3 -m venv .venv && . .venv/bin/activate"};
    case Kind::path:
        return {"/home/anna/Documents/report_final(2).pdf",
                "~/.config/glimpo/settings.json",
                "src/app/text/ScreenTextRecognitionService.cpp:42:7",
                "https://example.com/api/v1/items?id=42&sort=asc",
                "/usr/lib/x86_64-linux-gnu/libQt6Core.so.6.4.2",
                "C:\\Users\\Public\\Pictures\\IMG_0042.JPG",
                "file:///var/log/Xorg.0.log",
                "./build/tests/app/app_tests --gtest_filter=Text*",
                "node_modules/@types/react/index.d.ts",
                "/etc/systemd/system/backup-daily.timer"};
    case Kind::log:
        return {"2024-03-14 09:31:07.412 ERROR [main] Connection refused (errno=111)",
                "[12.345678] usb 1-1: new high-speed USB device number 2 using xhci_hcd",
                "E0314 09:31:07.412 server.cc:88] bind() failed: Address already in use",
                "WARN pool-3-thread-1 c.e.Cache - evicted 17 entries in 0.42s",
                "Traceback (most recent call last):",
                "File \"/usr/lib/python3/app.py\", line 12, in <module>",
                "KeyError: 'user_id'",
                "Mar 14 09:31:07 host sshd[1042]: Accepted publickey for anna",
                "error: expected ';' before '}' token",
                "warning: unused variable 'tmp_0' [-Wunused-variable]"};
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
    return {name, image, drawn.join('\n'), kind != Kind::interface && kind != Kind::italian && kind != Kind::headed};
}

inline QString kindName(Kind kind) {
    static const char* names[] = {"ui", "italian", "code", "headed", "source", "shell", "path", "log"};
    return names[static_cast<int>(kind)];
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
