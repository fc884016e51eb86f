#pragma once
// The desktops' written shortcuts ("<Shift><Super>4" in GNOME's settings, "Meta+Shift+4" in KDE's)
// as keys in the program's own terms: its virtual key codes and key-event modifier flags.

#include <optional>
#include <string_view>

#include "kit/SystemScreenshotShortcuts.h"

namespace platform::desktop {

// A key name as the desktops write it (X keysym names such as "Print", "dollar", "KP_5", or Qt's
// "PgUp", "$"), case-insensitive. Names of shifted symbols ("dollar", "$") are the US layout's
// digit or punctuation key with Shift.
std::optional<kit::SystemShortcutKey> keyNamed(std::string_view name);

// A GTK accelerator: "<Shift><Super>4", "<Primary>Print". None for "", "disabled", unknown keys,
// or modifiers that no shortcut of ours can have (Hyper): such a key can never collide.
std::optional<kit::SystemShortcutKey> parseGtkAccelerator(std::string_view accelerator);

// A Qt key sequence of one chord as KDE stores it: "Meta+Shift+Print", "Ctrl++". None for "",
// "none" and what no shortcut of ours can be.
std::optional<kit::SystemShortcutKey> parseQtShortcut(std::string_view shortcut);

} // namespace platform::desktop
