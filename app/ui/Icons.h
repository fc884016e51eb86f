#pragma once
// Icons for the glyph names the rest of the program speaks ("camera.viewfinder",
// "exclamationmark.triangle", ...). The icon theme's freedesktop icon is used where the theme has
// one; otherwise the program draws its own, crisp at any size. All choices live in one table.

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

// The theme's icon, else the drawn one; a null icon for an unknown name.
QIcon icon(std::string_view systemImageName);

// The program's own drawing of a glyph, whatever the theme; a null icon for an unknown name.
QIcon drawnIcon(std::string_view systemImageName);

// An icon drawn on demand at the size asked for, on a transparent background.
QIcon painted(Painter painter);

} // namespace Icons
