#pragma once
// The markup editor's tools, each with its key, its name and the hint the window shows while it
// is chosen. One table; the tool bar, the keys and the hints all read it.

#include <array>
#include <optional>

#include <QString>

#include "app/markup/MarkupItem.h"

enum class MarkupTool { select, arrow, line, rectangle, ellipse, pen, highlighter, text, step, pixelate, redact, crop };

struct MarkupToolInfo {
    MarkupTool tool;
    // The key that chooses it, as a shortcut names it.
    const char* key;
    // Source texts for tr() in the "MarkupWindow" context.
    const char* name;
    const char* hint;
};

namespace MarkupTools {

// In tool bar order.
const std::array<MarkupToolInfo, 12>& all();
const MarkupToolInfo& info(MarkupTool tool);
// The kind of mark the tool makes; none for select and crop.
std::optional<MarkupItem::Kind> kind(MarkupTool tool);
// Tools that make a mark by a drag (the others by a click, or none).
bool drags(MarkupTool tool);
// The translated name and hint.
QString name(MarkupTool tool);
QString hint(MarkupTool tool);

} // namespace MarkupTools
