#pragma once
// How a combination is shown on a Linux desktop: the desktop's words for the modifiers, in its
// order, joined by "+", then the key: "Shift+Super+4", "Ctrl+Alt+W", "Print". The stored form
// (key code, modifier bits, label) is not touched; keys stored under a glyph ("↩") are shown by
// the name PC keyboards print on them ("Return").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kit/HotKeyCombination.h"

namespace kit::ShortcutText {

struct Style {
    // GTK desktops (GNOME, Xfce, MATE, Cinnamon) write Shift+Ctrl+Alt+Super; Qt ones (KDE)
    // write Meta+Ctrl+Alt+Shift.
    enum class Order { shiftFirst, metaFirst };

    Order order = Order::shiftFirst;
    // The desktop's words, in the user's language.
    std::string control = "Ctrl";
    std::string option = "Alt";
    std::string shift = "Shift";
    std::string command = "Super";
};

// The English name a key is shown under when its label is a glyph or a fixed word ("Return",
// "Space", "Print"); none for keys shown by their label. Translated in the context "KeyNames".
std::optional<std::string_view> keyName(std::uint32_t keyCode);

// The set modifiers' words in the style's order, then `key`, joined by "+".
std::string join(std::uint32_t carbonModifiers, std::string_view key, const Style& style);

// join() with the key's name, else its label.
std::string shown(const HotKeyCombination& combination, const Style& style = {});

} // namespace kit::ShortcutText
