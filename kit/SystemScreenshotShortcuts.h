#pragma once
// Which of our shortcuts in force collide with the desktop's own screenshot shortcuts while
// those are switched on (the desktop keeps the keys, so our registration would fail).

#include <array>
#include <cstdint>
#include <set>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyBindings.h"

namespace kit {

// A desktop shortcut: key code and modifiers in the key-event flag encoding (EventFlags).
struct SystemShortcutKey {
    std::uint32_t keyCode = 0;
    std::uint32_t modifierFlags = 0;

    friend bool operator==(const SystemShortcutKey&, const SystemShortcutKey&) = default;
};

namespace SystemScreenshotShortcuts {

// The ids of the desktop's screenshot functions, as the preferences key them.
inline constexpr std::string_view saveScreenId = "28";    // Shift+Super+3
inline constexpr std::string_view copyScreenId = "29";    // Shift+Ctrl+Super+3
inline constexpr std::string_view saveAreaId = "30";      // Shift+Super+4
inline constexpr std::string_view copyAreaId = "31";      // Shift+Ctrl+Super+4
inline constexpr std::string_view optionsId = "184";      // Shift+Super+5
inline constexpr std::array<std::string_view, 5> ids{saveScreenId, copyScreenId, saveAreaId, copyAreaId, optionsId};

// `preferences` maps an id to an entry {"enabled": bool or integer, "value": {"parameters":
// [_, keyCode, modifierFlags]}}. A missing entry counts as on with its factory key; an entry
// without "enabled" counts as off; unreadable parameters fall back to the factory key. Anything
// but an object counts as empty preferences.
std::set<CaptureAction> conflicts(const nlohmann::json& preferences, const ActiveBindings& bindings);

} // namespace SystemScreenshotShortcuts

} // namespace kit
