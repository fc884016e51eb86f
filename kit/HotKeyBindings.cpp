#include "kit/HotKeyBindings.h"

#include <algorithm>
#include <array>
#include <exception>
#include <limits>
#include <utility>


#include <nlohmann/json.hpp>

#include "kit/Error.h"

namespace kit::HotKeyBindings {

ActiveBindings active(const HotKeyOverrides& overrides) {
    ActiveBindings bindings;
    for (const CaptureAction action : CaptureAction::allCases()) {
        const auto override = overrides.find(action);
        const std::optional<HotKeyCombination> inForce =
            override != overrides.end() ? override->second : action.defaultHotKey();
        if (inForce) bindings.emplace(action, *inForce);
    }
    return bindings;
}

std::string encode(const HotKeyOverrides& overrides) {
    auto object = nlohmann::json::object();
    for (const auto& [action, combination] : overrides) {
        auto stored = nlohmann::json::object();
        if (combination) stored["combination"] = toJson(*combination);
        object[std::string(action.rawValue())] = std::move(stored);
    }
    try {
        return object.dump();
    } catch (const nlohmann::json::exception&) {
        throw Error("A shortcut's label is not valid UTF-8 text.");
    }
}

namespace {

HotKeyOverrides decodeParsed(const nlohmann::json& json) {
    if (!json.is_object()) throw Error("The stored shortcuts are not a JSON object.");
    HotKeyOverrides overrides;
    for (const auto& [name, stored] : json.items()) {
        // Unknown names are checked too: the whole text must have the stored shape.
        if (!stored.is_object()) throw Error("A stored shortcut is not a JSON object.");
        std::optional<HotKeyCombination> combination;
        if (const auto found = stored.find("combination"); found != stored.end() && !found->is_null()) {
            combination = combinationFromJson(*found);
        }
        if (const auto action = CaptureAction::fromRawValue(name)) overrides[*action] = std::move(combination);
    }
    return overrides;
}

} // namespace

HotKeyOverrides decode(std::string_view data) {
    // Settings files can hold anything; only kit::Error may leave here.
    try {
        const auto json = nlohmann::json::parse(data.begin(), data.end(), nullptr, /*allow_exceptions=*/false);
        if (json.is_discarded()) throw Error("The stored shortcuts are not valid JSON.");
        return decodeParsed(json);
    } catch (const Error&) {
        throw;
    } catch (const std::exception&) {
        throw Error("The stored shortcuts couldn't be read.");
    }
}

namespace {

struct SpecialLabel {
    std::uint32_t keyCode;
    std::string_view label;
};

// Keys whose typed text is invisible, or that should read the same on every layout.
// PC keyboards add Print (the desktop's screenshot key), Insert, Scroll Lock, Pause and F13-F20.
constexpr std::array<SpecialLabel, 38> specialLabels{{
    {49, "Space"}, {36, "↩"}, {48, "⇥"}, {51, "⌫"}, {117, "⌦"},
    {123, "←"}, {124, "→"}, {125, "↓"}, {126, "↑"},
    {115, "↖"}, {119, "↘"}, {116, "⇞"}, {121, "⇟"}, {53, "⎋"},
    {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"},
    {98, "F7"}, {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
    {108, "Print"}, {114, "Insert"}, {112, "Scroll Lock"}, {127, "Pause"},
    {105, "F13"}, {107, "F14"}, {113, "F15"}, {106, "F16"}, {64, "F17"}, {79, "F18"}, {80, "F19"}, {90, "F20"},
}};

// Keys no program expects to type or edit with: fit for a global shortcut on their own.
constexpr std::array<std::uint32_t, 11> standaloneKeys{108, 112, 127, 105, 107, 113, 106, 64, 79, 80, 90};

} // namespace

std::optional<std::string_view> specialLabel(std::uint32_t keyCode) {
    for (const auto& special : specialLabels) {
        if (special.keyCode == keyCode) return special.label;
    }
    return std::nullopt;
}

bool standsAlone(std::uint32_t keyCode) {
    return std::find(standaloneKeys.begin(), standaloneKeys.end(), keyCode) != standaloneKeys.end();
}

std::string keyLabel(std::uint32_t keyCode, std::string_view layoutText) {
    if (const auto special = specialLabel(keyCode)) return std::string(*special);
    return std::string(layoutText);
}

std::optional<HotKeyCombination> combination(std::uint32_t keyCode, std::uint64_t eventFlags,
                                             std::string_view layoutText) {
    if (!(eventFlags & (EventFlags::command | EventFlags::control)) && !standsAlone(keyCode)) return std::nullopt;
    std::string label = keyLabel(keyCode, layoutText);
    if (label.empty()) return std::nullopt;
    return HotKeyCombination{
        .keyCode = keyCode,
        .carbonModifiers = EventFlags::toCarbonModifiers(eventFlags),
        .keyLabel = std::move(label),
    };
}

std::optional<CaptureAction> otherOwner(const ActiveBindings& bindings, CaptureAction action,
                                        const HotKeyCombination& combination) {
    for (const CaptureAction other : CaptureAction::allCases()) {
        if (other == action) continue;
        const auto found = bindings.find(other);
        if (found != bindings.end() && found->second.keyCode == combination.keyCode &&
            found->second.carbonModifiers == combination.carbonModifiers)
            return other;
    }
    return std::nullopt;
}

HotKeyCombination relabel(HotKeyCombination stored, std::string_view layoutText) {
    // Layouts only know 16-bit key codes; a larger stored one would be relabelled from nonsense.
    if (stored.keyCode > std::numeric_limits<std::uint16_t>::max()) return stored;
    std::string label = keyLabel(stored.keyCode, layoutText);
    if (!label.empty()) stored.keyLabel = std::move(label);
    return stored;
}

} // namespace kit::HotKeyBindings
