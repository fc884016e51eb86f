#pragma once
// The program's key codes (layout-independent key positions, the values stored in the settings)
// and the XKB names of the physical keys they stand for, both ways.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform::x11::KeyNames {

struct Entry {
    std::uint32_t keyCode;
    std::string_view xkbName;
};

// Keys the stored codes had no position for get codes no other key uses.
inline constexpr std::uint32_t printKeyCode = 108;
inline constexpr std::uint32_t scrollLockKeyCode = 112;
inline constexpr std::uint32_t pauseKeyCode = 127;

// Every key of a full-size keyboard (plus the ISO and JIS extras), one entry per key code.
std::span<const Entry> all();

// The canonical XKB name ("AE04" for 21), none for a code no key has.
std::optional<std::string_view> xkbName(std::uint32_t keyCode);
// The key code of a canonical name or of one of the aliases keymaps use ("AC12" for "BKSL").
std::optional<std::uint32_t> keyCode(std::string_view xkbName);

} // namespace platform::x11::KeyNames
