#include "app/widgets/Icons.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <memory>

// Outside any namespace, as the resource's generated initialiser is.
static void loadGlyphResources() {
    Q_INIT_RESOURCE(glyphs);
}

namespace Icons {
namespace {

class PaintedIconEngine : public QIconEngine {
public:
    explicit PaintedIconEngine(Painter painter) : painter_(std::move(painter)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        if (!painter_ || rect.isEmpty()) {
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const double side = std::min(rect.width(), rect.height());
        const QRectF box(rect.x() + (rect.width() - side) / 2.0,
                         rect.y() + (rect.height() - side) / 2.0, side, side);
        painter_(*painter, box, inkFor(mode));
        painter->restore();
    }

    // The base class leaves the pixmap uninitialised; icons need a transparent background.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(painter_); }

    QString key() const override { return QStringLiteral("GlimpoPainted"); }

private:
    static QColor inkFor(QIcon::Mode mode) {
        const QPalette palette = QGuiApplication::palette();
        switch (mode) {
        case QIcon::Disabled:
            return palette.color(QPalette::Disabled, QPalette::WindowText);
        case QIcon::Selected:
            return palette.color(QPalette::Active, QPalette::HighlightedText);
        case QIcon::Normal:
        case QIcon::Active:
            break;
        }
        return palette.color(QPalette::Active, QPalette::WindowText);
    }

    Painter painter_;
};

struct Glyph {
    std::string_view name;
    // Full-colour names first: symbolic icons are not recoloured and vanish on dark panels.
    std::array<const char*, 3> themeNames;
};

constexpr std::array glyphs{
    Glyph{"camera.viewfinder", {"camera-photo", "camera-photo-symbolic", nullptr}},
    Glyph{"record.circle", {"media-record", "media-record-symbolic", nullptr}},
    Glyph{"record.circle.fill", {"media-record", "media-record-symbolic", nullptr}},
    Glyph{"exclamationmark.triangle", {"dialog-warning", "dialog-warning-symbolic", nullptr}},
    Glyph{"mic.slash",
          {"microphone-sensitivity-muted", "audio-input-microphone-muted-symbolic", "microphone-disabled-symbolic"}},
    Glyph{"text.viewfinder", {"insert-text", "insert-text-symbolic", nullptr}},
    Glyph{"doc.on.clipboard", {"edit-paste", "edit-paste-symbolic", nullptr}},
    Glyph{"doc.on.doc", {"edit-copy", "edit-copy-symbolic", nullptr}},
    Glyph{"checkmark", {"object-select", "object-select-symbolic", nullptr}},
    Glyph{"checkmark.circle", {"emblem-ok", "emblem-ok-symbolic", "emblem-default"}},
    Glyph{"checkmark.circle.fill", {"emblem-ok", "emblem-ok-symbolic", "emblem-default"}},
    Glyph{"xmark", {"window-close", "window-close-symbolic", nullptr}},
    Glyph{"xmark.circle.fill", {"edit-clear", "window-close", "window-close-symbolic"}},
    Glyph{"square.and.arrow.down", {"document-save", "document-save-symbolic", nullptr}},
    Glyph{"folder", {"folder", "folder-symbolic", nullptr}},
    Glyph{"rectangle.dashed", {"select-rectangular", "selection-mode-symbolic", nullptr}},
    Glyph{"macwindow", {"window", "preferences-system-windows", "focus-windows-symbolic"}},
    Glyph{"display", {"video-display", "video-display-symbolic", nullptr}},
    Glyph{"timer", {"chronometer", "alarm-symbolic", nullptr}},
};

const Glyph* find(std::string_view name) {
    const auto it = std::find_if(glyphs.begin(), glyphs.end(),
                                 [name](const Glyph& glyph) { return glyph.name == name; });
    return it == glyphs.end() ? nullptr : &*it;
}

// A colour that stands out on a shape filled with `ink`.
QColor contrastTo(const QColor& ink) {
    return ink.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace

bool isKnown(std::string_view systemImageName) {
    return find(systemImageName) != nullptr;
}

std::vector<QString> themeNames(std::string_view systemImageName) {
    std::vector<QString> names;
    if (const Glyph* glyph = find(systemImageName)) {
        for (const char* name : glyph->themeNames) {
            if (name != nullptr) {
                names.push_back(QString::fromLatin1(name));
            }
        }
    }
    return names;
}

QString resourcePath(std::string_view systemImageName) {
    static const bool loaded = (loadGlyphResources(), true);
    (void)loaded;
    const Glyph* glyph = find(systemImageName);
    if (glyph == nullptr) return {};
    return QStringLiteral(":/glyphs/") + QString::fromLatin1(glyph->name.data(), glyph->name.size()) +
           QStringLiteral(".svg");
}

QIcon icon(std::string_view systemImageName) {
    for (const QString& name : themeNames(systemImageName)) {
        if (QIcon::hasThemeIcon(name)) {
            return QIcon::fromTheme(name);
        }
    }
    return drawnIcon(systemImageName);
}

QIcon drawnIcon(std::string_view systemImageName) {
    QFile file(resourcePath(systemImageName));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // The files draw in currentColor with details in white; both follow the palette here.
    const QString svg = QString::fromUtf8(file.readAll());
    return painted([svg](QPainter& painter, const QRectF& box, const QColor& ink) {
        QString coloured = svg;
        coloured.replace(QStringLiteral("\"#fff\""), QLatin1Char('"') + contrastTo(ink).name() + QLatin1Char('"'));
        coloured.replace(QStringLiteral("currentColor"), ink.name());
        QSvgRenderer renderer(coloured.toUtf8());
        painter.setOpacity(painter.opacity() * ink.alphaF());
        renderer.render(&painter, box);
    });
}

QIcon painted(Painter painter) {
    // QIcon takes ownership of its engine.
    return QIcon(new PaintedIconEngine(std::move(painter)));
}

} // namespace Icons
