#include "app/markup/MarkupIcons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "app/widgets/Icons.h"

namespace MarkupIcons {

namespace {

// Glyphs are drawn on a 24-unit grid scaled into the icon's box.
void onGrid(QPainter& painter, const QRectF& box) {
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24, box.height() / 24);
    painter.setRenderHint(QPainter::Antialiasing);
}

QPen line(const QColor& ink, double width = 2) {
    return QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void arrowGlyph(QPainter& p, const QColor& ink, bool head) {
    p.setPen(line(ink));
    p.drawLine(QPointF(5, 19), QPointF(head ? 17 : 19, head ? 7 : 5));
    if (!head) return;
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF{QPointF(20, 4), QPointF(11, 7), QPointF(17, 13)});
}

void drawTool(MarkupTool tool, QPainter& p, const QColor& ink) {
    switch (tool) {
    case MarkupTool::select: {
        QPainterPath pointer;
        pointer.moveTo(6, 3);
        pointer.lineTo(6, 19);
        pointer.lineTo(10, 15);
        pointer.lineTo(13, 21);
        pointer.lineTo(15.5, 20);
        pointer.lineTo(12.5, 14);
        pointer.lineTo(18, 14);
        pointer.closeSubpath();
        p.setPen(line(ink, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(pointer);
        return;
    }
    case MarkupTool::arrow: return arrowGlyph(p, ink, true);
    case MarkupTool::line: return arrowGlyph(p, ink, false);
    case MarkupTool::rectangle:
        p.setPen(line(ink));
        p.drawRect(QRectF(4, 6, 16, 12));
        return;
    case MarkupTool::ellipse:
        p.setPen(line(ink));
        p.drawEllipse(QRectF(3.5, 6, 17, 12));
        return;
    case MarkupTool::pen: {
        QPainterPath squiggle;
        squiggle.moveTo(3, 17);
        squiggle.cubicTo(7, 5, 10, 5, 11, 12);
        squiggle.cubicTo(12, 19, 16, 19, 21, 7);
        p.setPen(line(ink));
        p.drawPath(squiggle);
        return;
    }
    case MarkupTool::highlighter: {
        QColor faint = ink;
        faint.setAlphaF(ink.alphaF() * 0.45);
        p.setPen(QPen(faint, 7, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(3, 15), QPointF(21, 15));
        p.setPen(line(ink, 1.5));
        p.drawLine(QPointF(5, 9), QPointF(19, 9));
        return;
    }
    case MarkupTool::text: {
        QFont font;
        font.setPixelSize(19);
        font.setWeight(QFont::Bold);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("T"));
        return;
    }
    case MarkupTool::step: {
        p.setPen(line(ink, 1.6));
        p.drawEllipse(QRectF(3, 3, 18, 18));
        QFont font;
        font.setPixelSize(12);
        font.setWeight(QFont::Bold);
        p.setFont(font);
        p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, QStringLiteral("1"));
        return;
    }
    case MarkupTool::pixelate:
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                QColor cell = ink;
                cell.setAlphaF(ink.alphaF() * ((x + y) % 2 ? 0.35 : 0.9));
                p.fillRect(QRectF(4 + 5.5 * x, 4 + 5.5 * y, 5, 5), cell);
            }
        }
        return;
    case MarkupTool::redact:
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRectF(3, 8, 18, 8));
        return;
    case MarkupTool::crop:
        p.setPen(line(ink));
        p.drawPolyline(QPolygonF{QPointF(7, 2), QPointF(7, 17), QPointF(22, 17)});
        p.drawPolyline(QPolygonF{QPointF(2, 7), QPointF(17, 7), QPointF(17, 22)});
        return;
    }
}

} // namespace

QIcon tool(MarkupTool tool) {
    return Icons::painted([tool](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        drawTool(tool, painter, ink);
        painter.restore();
    });
}

QIcon colour(const QColor& colour) {
    return Icons::painted([colour](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        painter.setPen(QPen(ink, 1));
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(3, 3, 18, 18));
        painter.restore();
    });
}

QIcon stroke(double points) {
    return Icons::painted([points](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        painter.setPen(QPen(ink, std::min(points, 9.0), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(5, 12), QPointF(19, 12));
        painter.restore();
    });
}

QIcon textSize(double points) {
    return Icons::painted([points](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        QFont font;
        font.setPixelSize(static_cast<int>(std::lround(8 + points / 3)));
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("A"));
        painter.restore();
    });
}

QIcon filled() {
    return Icons::painted([](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawRoundedRect(QRectF(4, 6, 16, 12), 2, 2);
        painter.restore();
    });
}

QIcon textBox() {
    return Icons::painted([](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawRoundedRect(QRectF(2, 5, 20, 14), 3, 3);
        QFont font;
        font.setPixelSize(12);
        font.setWeight(QFont::Bold);
        painter.setFont(font);
        painter.setPen(ink.lightness() > 128 ? Qt::black : Qt::white);
        painter.drawText(QRectF(2, 5, 20, 14), Qt::AlignCenter, QStringLiteral("T"));
        painter.restore();
    });
}

QIcon hideText() {
    return Icons::painted([](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        painter.setPen(line(ink, 1.5));
        painter.drawLine(QPointF(3, 6), QPointF(21, 6));
        painter.drawLine(QPointF(3, 18), QPointF(12, 18));
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawRect(QRectF(3, 10, 18, 4.5));
        painter.restore();
    });
}

QIcon undo(bool forward) {
    const QIcon themed = QIcon::fromTheme(forward ? QStringLiteral("edit-redo") : QStringLiteral("edit-undo"));
    if (!themed.isNull()) return themed;
    return Icons::painted([forward](QPainter& painter, const QRectF& box, const QColor& ink) {
        painter.save();
        onGrid(painter, box);
        if (forward) {
            painter.translate(24, 0);
            painter.scale(-1, 1);
        }
        QPainterPath hook;
        hook.moveTo(8, 9);
        hook.lineTo(15, 9);
        hook.cubicTo(22, 9, 22, 19, 15, 19);
        hook.lineTo(10, 19);
        painter.setPen(line(ink));
        painter.drawPath(hook);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF{QPointF(3, 9), QPointF(9, 4), QPointF(9, 14)});
        painter.restore();
    });
}

} // namespace MarkupIcons
