#pragma once
// The markup editor's glyphs, drawn in the palette's text colour at whatever size is asked:
// one per tool, and the colour, stroke, text size, fill, text box, Hide Text and undo glyphs.

#include <QColor>
#include <QIcon>

#include "app/markup/MarkupTool.h"

namespace MarkupIcons {

QIcon tool(MarkupTool tool);
// A disc of the colour.
QIcon colour(const QColor& colour);
// A line of that width.
QIcon stroke(double points);
QIcon textSize(double points);
QIcon filled();
QIcon textBox();
QIcon hideText();
// The theme's undo (or redo, `forward`) icon, else a drawn one.
QIcon undo(bool forward);

} // namespace MarkupIcons
