#pragma once
// One global shortcut: a key, a set of modifiers in the hot key service's (Carbon) encoding, and
// the label the key is shown under. Equal and hashed over all three fields, the label included.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace kit {

struct HotKeyCombination {
    std::uint32_t keyCode = 0;
    std::uint32_t carbonModifiers = 0;
    std::string keyLabel;

    static constexpr std::uint32_t command = 256;
    static constexpr std::uint32_t shift = 512;
    static constexpr std::uint32_t option = 2048;
    static constexpr std::uint32_t control = 4096;

    // As a GTK desktop shows it in English: "Shift+Super+4" (ShortcutText has the other styles).
    std::string displayString() const;

    friend bool operator==(const HotKeyCombination&, const HotKeyCombination&) = default;
};

// {"keyCode": n, "carbonModifiers": n, "keyLabel": "..."}
nlohmann::json toJson(const HotKeyCombination& combination);
// All three keys are required; the numbers must be whole and fit in 32 unsigned bits.
// Throws kit::Error with a sentence naming what is wrong.
HotKeyCombination combinationFromJson(const nlohmann::json& json);

// The same four modifiers in the platform's key-event flag encoding, which key presses and the
// desktop's own screenshot shortcuts use.
namespace EventFlags {
inline constexpr std::uint32_t shift = 0x20000;
inline constexpr std::uint32_t control = 0x40000;
inline constexpr std::uint32_t option = 0x80000;
inline constexpr std::uint32_t command = 0x100000;
inline constexpr std::uint32_t modifierMask = shift | control | option | command;

// Every flag but the four modifiers (Caps Lock, Function, numeric pad, ...) is dropped.
std::uint32_t toCarbonModifiers(std::uint64_t eventFlags);
std::uint32_t fromCarbonModifiers(std::uint32_t carbonModifiers);
} // namespace EventFlags

} // namespace kit

template <> struct std::hash<kit::HotKeyCombination> {
    std::size_t operator()(const kit::HotKeyCombination& combination) const noexcept;
};
