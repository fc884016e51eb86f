#pragma once
// The shortcuts in force, their stored form, and how a key press becomes a combination.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyCombination.h"

namespace kit {

// The user's choices: an entry without a combination means the action was cleared, which
// differs from having no entry (the action's default applies).
using HotKeyOverrides = std::map<CaptureAction, std::optional<HotKeyCombination>>;
// Only the actions that have a shortcut.
using ActiveBindings = std::map<CaptureAction, HotKeyCombination>;

namespace HotKeyBindings {

// Overrides first, then the defaults. Two actions may share a combination; registration
// reports that, not this.
ActiveBindings active(const HotKeyOverrides& overrides);
// The first action other than `action`, in CaptureAction::allCases order, whose shortcut in
// `bindings` is the same key with the same modifiers (labels may differ); none when no other
// action has it.
std::optional<CaptureAction> otherOwner(const ActiveBindings& bindings, CaptureAction action,
                                        const HotKeyCombination& combination);

// Compact JSON: {"area": {"combination": {...}}, "fullscreen": {}}.
// Throws kit::Error when a label is not valid UTF-8.
std::string encode(const HotKeyOverrides& overrides);
// Any bytes give the overrides or a kit::Error, never a partial result. Members whose name is
// no action are skipped, though they must still have the stored shape.
HotKeyOverrides decode(std::string_view data);

// The fixed label of keys whose typed text is invisible or layout-independent ("Space", "↩", "F1").
std::optional<std::string_view> specialLabel(std::uint32_t keyCode);
// The special label, else the layout's unmodified text (which the keyboard layout gives
// upper-cased), else "".
std::string keyLabel(std::uint32_t keyCode, std::string_view layoutText);
// Print, Scroll Lock, Pause and F13-F20: keys that make a global shortcut without Command or
// Control, since no program types or edits with them.
bool standsAlone(std::uint32_t keyCode);
// A key press as a shortcut: none without Command or Control (but for keys that stand alone),
// or when the key has no label.
std::optional<HotKeyCombination> combination(std::uint32_t keyCode, std::uint64_t eventFlags,
                                             std::string_view layoutText);
// A stored combination under the current layout's label; keeps the stored label when the layout
// gives none or the key code is beyond the 16 bits a layout knows.
HotKeyCombination relabel(HotKeyCombination stored, std::string_view layoutText);

} // namespace HotKeyBindings

} // namespace kit
