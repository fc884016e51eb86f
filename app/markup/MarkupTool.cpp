#include "app/markup/MarkupTool.h"

#include <QCoreApplication>

namespace MarkupTools {

const std::array<MarkupToolInfo, 12>& all() {
    static const std::array<MarkupToolInfo, 12> tools{{
        {MarkupTool::select, "V", QT_TRANSLATE_NOOP("MarkupWindow", "Select"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Click a mark to select it, drag it to move it, drag its corners to resize it. Delete removes it.")},
        {MarkupTool::arrow, "A", QT_TRANSLATE_NOOP("MarkupWindow", "Arrow"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag from the tail to the point of the arrow. Shift keeps it to 45° steps.")},
        {MarkupTool::line, "L", QT_TRANSLATE_NOOP("MarkupWindow", "Line"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag to draw a line. Shift keeps it to 45° steps.")},
        {MarkupTool::rectangle, "R", QT_TRANSLATE_NOOP("MarkupWindow", "Rectangle"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag to draw a rectangle; Shift makes a square. Fill fills it.")},
        {MarkupTool::ellipse, "E", QT_TRANSLATE_NOOP("MarkupWindow", "Ellipse"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag to draw an ellipse; Shift makes a circle. Fill fills it.")},
        {MarkupTool::pen, "P", QT_TRANSLATE_NOOP("MarkupWindow", "Pen"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag to draw freehand.")},
        {MarkupTool::highlighter, "H", QT_TRANSLATE_NOOP("MarkupWindow", "Highlighter"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag over what to highlight; hold Shift for a straight stroke.")},
        {MarkupTool::text, "T", QT_TRANSLATE_NOOP("MarkupWindow", "Text"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Click where the text goes and type; Escape or a click elsewhere ends it. Double-click text to change it.")},
        {MarkupTool::step, "N", QT_TRANSLATE_NOOP("MarkupWindow", "Numbered Step"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Click to place the next number. Deleting one renumbers the rest.")},
        {MarkupTool::pixelate, "B", QT_TRANSLATE_NOOP("MarkupWindow", "Pixelate"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag over what to pixelate. The pixels under it are gone from the saved picture.")},
        {MarkupTool::redact, "X", QT_TRANSLATE_NOOP("MarkupWindow", "Redact"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag over what to cover with a solid box. The pixels under it are gone from the saved picture.")},
        {MarkupTool::crop, "C", QT_TRANSLATE_NOOP("MarkupWindow", "Crop"),
         QT_TRANSLATE_NOOP("MarkupWindow", "Drag the part of the picture to keep. Undo brings the rest back.")},
    }};
    return tools;
}

const MarkupToolInfo& info(MarkupTool tool) {
    return all()[static_cast<std::size_t>(tool)];
}

std::optional<MarkupItem::Kind> kind(MarkupTool tool) {
    using Kind = MarkupItem::Kind;
    switch (tool) {
    case MarkupTool::arrow: return Kind::arrow;
    case MarkupTool::line: return Kind::line;
    case MarkupTool::rectangle: return Kind::rectangle;
    case MarkupTool::ellipse: return Kind::ellipse;
    case MarkupTool::pen: return Kind::pen;
    case MarkupTool::highlighter: return Kind::highlighter;
    case MarkupTool::text: return Kind::text;
    case MarkupTool::step: return Kind::step;
    case MarkupTool::pixelate: return Kind::pixelate;
    case MarkupTool::redact: return Kind::redact;
    case MarkupTool::select:
    case MarkupTool::crop: return std::nullopt;
    }
    return std::nullopt;
}

bool drags(MarkupTool tool) {
    return tool != MarkupTool::select && tool != MarkupTool::text && tool != MarkupTool::step;
}

QString name(MarkupTool tool) {
    return QCoreApplication::translate("MarkupWindow", info(tool).name);
}

QString hint(MarkupTool tool) {
    return QCoreApplication::translate("MarkupWindow", info(tool).hint);
}

} // namespace MarkupTools
