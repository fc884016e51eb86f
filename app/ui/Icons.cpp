#include "app/ui/Icons.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace Icons {
namespace {

// Glyphs are drawn on a 24-unit grid, scaled to the box.
constexpr double grid = 24.0;

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

// Sets up the 24-unit grid and a round pen in `ink`.
void begin(QPainter& p, const QRectF& box, const QColor& ink, double penWidth = 1.8) {
    p.translate(box.topLeft());
    p.scale(box.width() / grid, box.height() / grid);
    QPen pen(ink, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

// A colour that stands out on a shape filled with `ink`.
QColor contrastTo(const QColor& ink) {
    return ink.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
}

void viewfinderCorners(QPainter& p) {
    const double a = 3, b = 21, arm = 5;
    p.drawPolyline(std::array{QPointF(a, a + arm), QPointF(a, a), QPointF(a + arm, a)}.data(), 3);
    p.drawPolyline(std::array{QPointF(b - arm, a), QPointF(b, a), QPointF(b, a + arm)}.data(), 3);
    p.drawPolyline(std::array{QPointF(b, b - arm), QPointF(b, b), QPointF(b - arm, b)}.data(), 3);
    p.drawPolyline(std::array{QPointF(a + arm, b), QPointF(a, b), QPointF(a, b - arm)}.data(), 3);
}

void filledDisk(QPainter& p, const QColor& ink, QPointF centre, double radius) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void drawCameraViewfinder(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink, 1.6);
    viewfinderCorners(p);
    p.drawRoundedRect(QRectF(6.5, 9, 11, 7.5), 1.5, 1.5);
    p.drawLine(QPointF(10, 9), QPointF(10.8, 7.5));
    p.drawLine(QPointF(10.8, 7.5), QPointF(13.2, 7.5));
    p.drawLine(QPointF(13.2, 7.5), QPointF(14, 9));
    p.drawEllipse(QPointF(12, 12.7), 2.1, 2.1);
}

void drawRecordCircle(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    filledDisk(p, ink, QPointF(12, 12), 4.5);
}

void drawRecordCircleFill(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    filledDisk(p, ink, QPointF(12, 12), 10);
    p.setPen(QPen(contrastTo(ink), 1.6));
    p.drawEllipse(QPointF(12, 12), 6, 6);
}

void drawExclamationTriangle(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawPolygon(std::array{QPointF(12, 3), QPointF(21.5, 20), QPointF(2.5, 20)}.data(), 3);
    p.drawLine(QPointF(12, 9), QPointF(12, 14));
    filledDisk(p, ink, QPointF(12, 17), 1.2);
}

void drawMicSlash(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawRoundedRect(QRectF(9, 3, 6, 11), 3, 3);
    p.drawArc(QRectF(5.5, 5, 13, 12), 180 * 16, 180 * 16);
    p.drawLine(QPointF(12, 17), QPointF(12, 21));
    p.drawLine(QPointF(9, 21), QPointF(15, 21));
    p.drawLine(QPointF(4, 4), QPointF(20, 20));
}

void drawTextViewfinder(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    viewfinderCorners(p);
    p.drawLine(QPointF(8, 8.5), QPointF(16, 8.5));
    p.drawLine(QPointF(12, 8.5), QPointF(12, 16));
}

void drawDocOnClipboard(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawRoundedRect(QRectF(5, 4, 14, 17), 2, 2);
    p.save();
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(9, 2.5, 6, 3), 1, 1);
    p.restore();
    p.drawLine(QPointF(8.5, 10), QPointF(15.5, 10));
    p.drawLine(QPointF(8.5, 13.5), QPointF(15.5, 13.5));
    p.drawLine(QPointF(8.5, 17), QPointF(12.5, 17));
}

void drawDocOnDoc(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawRoundedRect(QRectF(4, 7.5, 11, 13.5), 1.5, 1.5);
    // Only the part of the back page that the front one leaves visible.
    p.drawPolyline(std::array{QPointF(8.5, 7.5), QPointF(8.5, 3), QPointF(19.5, 3),
                              QPointF(19.5, 16.5), QPointF(15, 16.5)}
                       .data(),
                   5);
}

void drawCheckmark(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink, 2.2);
    p.drawPolyline(std::array{QPointF(5, 12.5), QPointF(10, 17.5), QPointF(19, 6.5)}.data(), 3);
}

void drawCheckmarkCircle(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.drawPolyline(std::array{QPointF(8, 12.5), QPointF(11, 15.5), QPointF(16.5, 9)}.data(), 3);
}

void drawCheckmarkCircleFill(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    filledDisk(p, ink, QPointF(12, 12), 10);
    p.setPen(QPen(contrastTo(ink), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(std::array{QPointF(8, 12.5), QPointF(11, 15.5), QPointF(16.5, 9)}.data(), 3);
}

void drawXmark(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink, 2.2);
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
}

void drawXmarkCircleFill(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    filledDisk(p, ink, QPointF(12, 12), 10);
    p.setPen(QPen(contrastTo(ink), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 15.5));
    p.drawLine(QPointF(15.5, 8.5), QPointF(8.5, 15.5));
}

void drawSquareAndArrowDown(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawPolyline(std::array{QPointF(4, 13), QPointF(4, 20), QPointF(20, 20), QPointF(20, 13)}
                       .data(),
                   4);
    p.drawLine(QPointF(12, 3), QPointF(12, 15));
    p.drawPolyline(std::array{QPointF(7.5, 10.5), QPointF(12, 15), QPointF(16.5, 10.5)}.data(),
                   3);
}

void drawFolder(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawPolygon(std::array{QPointF(3, 5.5), QPointF(9, 5.5), QPointF(11, 8), QPointF(21, 8),
                             QPointF(21, 19), QPointF(3, 19)}
                      .data(),
                  6);
}

void drawRectangleDashed(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    QPen pen = p.pen();
    pen.setCapStyle(Qt::FlatCap);
    pen.setDashPattern({2.0, 1.5});
    p.setPen(pen);
    p.drawRect(QRectF(3, 5, 18, 14));
}

void drawMacwindow(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawRoundedRect(QRectF(3, 4, 18, 16), 2, 2);
    p.drawLine(QPointF(3, 8.5), QPointF(21, 8.5));
}

void drawDisplay(QPainter& p, const QRectF& box, const QColor& ink) {
    begin(p, box, ink);
    p.drawRoundedRect(QRectF(2.5, 4, 19, 13), 1.5, 1.5);
    p.drawLine(QPointF(12, 17), QPointF(12, 20.5));
    p.drawLine(QPointF(8, 20.5), QPointF(16, 20.5));
}

using DrawFunction = void (*)(QPainter&, const QRectF&, const QColor&);

struct Glyph {
    std::string_view name;
    // Full-colour names first: symbolic icons are not recoloured and vanish on dark panels.
    std::array<const char*, 3> themeNames;
    DrawFunction draw;
};

constexpr std::array glyphs{
    Glyph{"camera.viewfinder", {"camera-photo", "camera-photo-symbolic", nullptr},
          drawCameraViewfinder},
    Glyph{"record.circle", {"media-record", "media-record-symbolic", nullptr}, drawRecordCircle},
    Glyph{"record.circle.fill", {"media-record", "media-record-symbolic", nullptr},
          drawRecordCircleFill},
    Glyph{"exclamationmark.triangle", {"dialog-warning", "dialog-warning-symbolic", nullptr},
          drawExclamationTriangle},
    Glyph{"mic.slash",
          {"microphone-sensitivity-muted", "audio-input-microphone-muted-symbolic",
           "microphone-disabled-symbolic"},
          drawMicSlash},
    Glyph{"text.viewfinder", {"insert-text", "insert-text-symbolic", nullptr}, drawTextViewfinder},
    Glyph{"doc.on.clipboard", {"edit-paste", "edit-paste-symbolic", nullptr}, drawDocOnClipboard},
    Glyph{"doc.on.doc", {"edit-copy", "edit-copy-symbolic", nullptr}, drawDocOnDoc},
    Glyph{"checkmark", {"object-select", "object-select-symbolic", nullptr}, drawCheckmark},
    Glyph{"checkmark.circle", {"emblem-ok", "emblem-ok-symbolic", "emblem-default"},
          drawCheckmarkCircle},
    Glyph{"checkmark.circle.fill", {"emblem-ok", "emblem-ok-symbolic", "emblem-default"},
          drawCheckmarkCircleFill},
    Glyph{"xmark", {"window-close", "window-close-symbolic", nullptr}, drawXmark},
    Glyph{"xmark.circle.fill", {"edit-clear", "window-close", "window-close-symbolic"},
          drawXmarkCircleFill},
    Glyph{"square.and.arrow.down", {"document-save", "document-save-symbolic", nullptr},
          drawSquareAndArrowDown},
    Glyph{"folder", {"folder", "folder-symbolic", nullptr}, drawFolder},
    Glyph{"rectangle.dashed", {"select-rectangular", nullptr, nullptr}, drawRectangleDashed},
    Glyph{"macwindow", {"window", "preferences-system-windows", nullptr}, drawMacwindow},
    Glyph{"display", {"video-display", "video-display-symbolic", nullptr}, drawDisplay},
};

const Glyph* find(std::string_view name) {
    const auto it = std::find_if(glyphs.begin(), glyphs.end(),
                                 [name](const Glyph& glyph) { return glyph.name == name; });
    return it == glyphs.end() ? nullptr : &*it;
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

QIcon icon(std::string_view systemImageName) {
    for (const QString& name : themeNames(systemImageName)) {
        if (QIcon::hasThemeIcon(name)) {
            return QIcon::fromTheme(name);
        }
    }
    return drawnIcon(systemImageName);
}

QIcon drawnIcon(std::string_view systemImageName) {
    const Glyph* glyph = find(systemImageName);
    if (glyph == nullptr) {
        return {};
    }
    return painted(glyph->draw);
}

QIcon painted(Painter painter) {
    // QIcon takes ownership of its engine.
    return QIcon(new PaintedIconEngine(std::move(painter)));
}

} // namespace Icons
