#pragma once
// Icons for the glyph names the rest of the program speaks ("camera.viewfinder",
// "exclamationmark.triangle", ...). The icon theme's freedesktop icon is used where the theme has
// one; otherwise the program's own SVG from its resources, drawn in the palette's text colour.
// All choices live in one table.

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>

#include <functional>
#include <string_view>
#include <vector>

class QPainter;

namespace Icons {

// Draws into `box` (square) in `ink`, which follows the palette and the icon's mode.
using Painter = std::function<void(QPainter& painter, const QRectF& box, const QColor& ink)>;

// Whether the table knows the glyph name.
bool isKnown(std::string_view systemImageName);

// The theme names tried for a glyph, in order; empty for an unknown name.
std::vector<QString> themeNames(std::string_view systemImageName);

// The resource path of the program's own SVG for a glyph; empty for an unknown name.
QString resourcePath(std::string_view systemImageName);

// The theme's icon, else the program's own; a null icon for an unknown name.
QIcon icon(std::string_view systemImageName);

// The program's own glyph, whatever the theme: drawn in the palette's text colour, with the
// details of filled glyphs in the colour that stands out on it. A null icon for an unknown name.
QIcon drawnIcon(std::string_view systemImageName);

// An icon drawn on demand at the size asked for, on a transparent background.
QIcon painted(Painter painter);

} // namespace Icons
