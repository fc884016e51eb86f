#include "kit/HotKeyCombination.h"

#include <limits>
#include <string_view>

#include <nlohmann/json.hpp>

#include "kit/Error.h"
#include "kit/ShortcutText.h"

namespace kit {

std::string HotKeyCombination::displayString() const {
    return ShortcutText::shown(*this);
}

nlohmann::json toJson(const HotKeyCombination& combination) {
    return nlohmann::json{
        {"keyCode", combination.keyCode},
        {"carbonModifiers", combination.carbonModifiers},
        {"keyLabel", combination.keyLabel},
    };
}

namespace {

const nlohmann::json& member(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) {
        throw Error(std::string("The shortcut has no \"") + key + "\".");
    }
    return *found;
}

std::uint32_t unsigned32(const nlohmann::json& object, const char* key) {
    const auto& value = member(object, key);
    // Parsed non-negative numbers arrive unsigned; a built value may hold a signed one.
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number <= std::numeric_limits<std::uint32_t>::max()) return static_cast<std::uint32_t>(number);
    } else if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (number >= 0 && number <= std::numeric_limits<std::uint32_t>::max()) {
            return static_cast<std::uint32_t>(number);
        }
    }
    throw Error(std::string("The shortcut's \"") + key + "\" is not a whole number from 0 to 4294967295.");
}

} // namespace

HotKeyCombination combinationFromJson(const nlohmann::json& json) {
    if (!json.is_object()) throw Error("The shortcut is not a JSON object.");
    const auto& label = member(json, "keyLabel");
    if (!label.is_string()) throw Error("The shortcut's \"keyLabel\" is not text.");
    return HotKeyCombination{
        .keyCode = unsigned32(json, "keyCode"),
        .carbonModifiers = unsigned32(json, "carbonModifiers"),
        .keyLabel = label.get<std::string>(),
    };
}

namespace EventFlags {

std::uint32_t toCarbonModifiers(std::uint64_t eventFlags) {
    std::uint32_t carbon = 0;
    if (eventFlags & command) carbon |= HotKeyCombination::command;
    if (eventFlags & option) carbon |= HotKeyCombination::option;
    if (eventFlags & shift) carbon |= HotKeyCombination::shift;
    if (eventFlags & control) carbon |= HotKeyCombination::control;
    return carbon;
}

std::uint32_t fromCarbonModifiers(std::uint32_t carbonModifiers) {
    std::uint32_t flags = 0;
    if (carbonModifiers & HotKeyCombination::shift) flags |= shift;
    if (carbonModifiers & HotKeyCombination::control) flags |= control;
    if (carbonModifiers & HotKeyCombination::option) flags |= option;
    if (carbonModifiers & HotKeyCombination::command) flags |= command;
    return flags;
}

} // namespace EventFlags

} // namespace kit

std::size_t std::hash<kit::HotKeyCombination>::operator()(const kit::HotKeyCombination& combination) const noexcept {
    std::size_t seed = std::hash<std::string>{}(combination.keyLabel);
    const auto mix = [&seed](std::size_t value) {
        seed ^= value + static_cast<std::size_t>(0x9e3779b97f4a7c15ULL) + (seed << 6) + (seed >> 2);
    };
    mix(combination.keyCode);
    mix(combination.carbonModifiers);
    return seed;
}
