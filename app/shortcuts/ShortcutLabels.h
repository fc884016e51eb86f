#pragma once
// Shortcuts as the desktop shows them, in the user's language: modifier words in the desktop's
// order joined by "+", then the key ("Shift+Super+4"; "Maiusc+Super+4" in Italian; KDE writes
// "Meta+Shift+4"). Only what is shown: the stored form stays as it is.

#include <cstdint>

#include <QString>

#include "kit/HotKeyCombination.h"
#include "kit/ShortcutText.h"

namespace ShortcutLabels {

// The running desktop's order, with its words translated.
kit::ShortcutText::Style style();

QString shown(const kit::HotKeyCombination& combination);

// The word of one modifier bit (HotKeyCombination::command, ...), as in shown().
QString modifier(std::uint32_t carbonModifier);

} // namespace ShortcutLabels
