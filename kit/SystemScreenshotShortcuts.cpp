#include "kit/SystemScreenshotShortcuts.h"

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/HotKeyCombination.h"

namespace kit::SystemScreenshotShortcuts {

namespace {

struct FactoryDefault {
    std::string_view id;
    SystemShortcutKey key;
};

constexpr std::uint32_t shiftCommand = EventFlags::shift | EventFlags::command;
constexpr std::uint32_t controlShiftCommand = EventFlags::control | shiftCommand;

// The keys the desktop uses when its entry is absent or unreadable.
constexpr std::array<FactoryDefault, 5> factoryDefaults{{
    {saveScreenId, {20, shiftCommand}},
    {copyScreenId, {20, controlShiftCommand}},
    {saveAreaId, {21, shiftCommand}},
    {copyAreaId, {21, controlShiftCommand}},
    {optionsId, {23, shiftCommand}},
}};

bool isEnabled(const nlohmann::json& entry) {
    const auto enabled = entry.find("enabled");
    if (enabled == entry.end()) return false;
    if (enabled->is_boolean()) return enabled->get<bool>();
    if (enabled->is_number_unsigned()) return enabled->get<std::uint64_t>() != 0;
    if (enabled->is_number_integer()) return enabled->get<std::int64_t>() != 0;
    return false;
}

// Parsed JSON holds non-negative numbers unsigned, but a map built in memory may hold them signed.
std::optional<std::uint64_t> nonNegative(const nlohmann::json& number) {
    if (number.is_number_unsigned()) return number.get<std::uint64_t>();
    if (number.is_number_integer() && number.get<std::int64_t>() >= 0) {
        return static_cast<std::uint64_t>(number.get<std::int64_t>());
    }
    return std::nullopt;
}

// The key in the entry's parameters, or none when they can't be read.
std::optional<SystemShortcutKey> storedKey(const nlohmann::json& entry) {
    const auto value = entry.find("value");
    if (value == entry.end() || !value->is_object()) return std::nullopt;
    const auto parameters = value->find("parameters");
    if (parameters == value->end() || !parameters->is_array() || parameters->size() < 3) return std::nullopt;
    for (const auto& parameter : *parameters) {
        if (!parameter.is_number_integer()) return std::nullopt;
    }
    // Negative or oversized numbers are unreadable, not a key that happens to match nothing.
    const auto keyCode = nonNegative((*parameters)[1]);
    const auto flags = nonNegative((*parameters)[2]);
    if (!keyCode || !flags || *keyCode > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return SystemShortcutKey{
        .keyCode = static_cast<std::uint32_t>(*keyCode),
        .modifierFlags = static_cast<std::uint32_t>(*flags & EventFlags::modifierMask),
    };
}

// The key in force for one desktop function, or none when it is switched off.
std::optional<SystemShortcutKey> enabledKeys(const nlohmann::json* entry, SystemShortcutKey fallback) {
    if (entry == nullptr) return fallback;
    if (!isEnabled(*entry)) return std::nullopt;
    return storedKey(*entry).value_or(fallback);
}

} // namespace

std::set<CaptureAction> conflicts(const nlohmann::json& preferences, const ActiveBindings& bindings) {
    std::vector<SystemShortcutKey> taken;
    for (const auto& factory : factoryDefaults) {
        const nlohmann::json* entry = nullptr;
        if (preferences.is_object()) {
            const auto found = preferences.find(std::string(factory.id));
            if (found != preferences.end() && found->is_object()) entry = &*found;
        }
        if (const auto key = enabledKeys(entry, factory.key)) taken.push_back(*key);
    }

    std::set<CaptureAction> colliding;
    for (const auto& [action, combination] : bindings) {
        const SystemShortcutKey ours{combination.keyCode, EventFlags::fromCarbonModifiers(combination.carbonModifiers)};
        for (const auto& key : taken) {
            if (key == ours) {
                colliding.insert(action);
                break;
            }
        }
    }
    return colliding;
}

} // namespace kit::SystemScreenshotShortcuts
