#include "app/platform/desktop/DesktopKeys.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "app/platform/x11/KeyNames.h"
#include "kit/HotKeyCombination.h"

namespace platform::desktop {

namespace {

using x11::KeyNames::pauseKeyCode;
using x11::KeyNames::printKeyCode;
using x11::KeyNames::scrollLockKeyCode;

struct KeyName {
    std::string_view name;
    std::uint32_t keyCode;
    bool shifted = false;
};

// Keysym names (GNOME) and Qt's portable names (KDE) side by side; a name may appear once only.
constexpr auto keyNames = std::to_array<KeyName>({
    {"a", 0}, {"s", 1}, {"d", 2}, {"f", 3}, {"h", 4}, {"g", 5}, {"z", 6}, {"x", 7}, {"c", 8},
    {"v", 9}, {"b", 11}, {"q", 12}, {"w", 13}, {"e", 14}, {"r", 15}, {"y", 16}, {"t", 17},
    {"o", 31}, {"u", 32}, {"i", 34}, {"p", 35}, {"l", 37}, {"j", 38}, {"k", 40}, {"n", 45},
    {"m", 46},
    {"1", 18}, {"2", 19}, {"3", 20}, {"4", 21}, {"5", 23}, {"6", 22}, {"7", 26}, {"8", 28},
    {"9", 25}, {"0", 29},
    {"equal", 24}, {"=", 24}, {"minus", 27}, {"-", 27}, {"bracketright", 30}, {"]", 30},
    {"bracketleft", 33}, {"[", 33}, {"apostrophe", 39}, {"'", 39}, {"semicolon", 41}, {";", 41},
    {"backslash", 42}, {"\\", 42}, {"comma", 43}, {",", 43}, {"slash", 44}, {"/", 44},
    {"period", 47}, {".", 47}, {"grave", 50}, {"`", 50},
    // US layout: the shifted symbols name their key with Shift.
    {"exclam", 18, true}, {"!", 18, true}, {"at", 19, true}, {"@", 19, true},
    {"numbersign", 20, true}, {"#", 20, true}, {"dollar", 21, true}, {"$", 21, true},
    {"percent", 23, true}, {"%", 23, true}, {"asciicircum", 22, true}, {"^", 22, true},
    {"ampersand", 26, true}, {"&", 26, true}, {"asterisk", 28, true}, {"*", 28, true},
    {"parenleft", 25, true}, {"(", 25, true}, {"parenright", 29, true}, {")", 29, true},
    {"underscore", 27, true}, {"_", 27, true}, {"plus", 24, true}, {"+", 24, true},
    {"braceright", 30, true}, {"}", 30, true}, {"braceleft", 33, true}, {"{", 33, true},
    {"quotedbl", 39, true}, {"\"", 39, true}, {"colon", 41, true}, {":", 41, true},
    {"bar", 42, true}, {"|", 42, true}, {"less", 43, true}, {"<", 43, true},
    {"question", 44, true}, {"?", 44, true}, {"greater", 47, true}, {">", 47, true},
    {"asciitilde", 50, true}, {"~", 50, true},
    {"return", 36}, {"tab", 48}, {"iso_left_tab", 48, true}, {"space", 49}, {"backspace", 51},
    {"escape", 53}, {"esc", 53}, {"delete", 117}, {"del", 117}, {"insert", 114}, {"ins", 114},
    {"help", 114}, {"home", 115}, {"end", 119}, {"page_up", 116}, {"prior", 116}, {"pgup", 116},
    {"page_down", 121}, {"next", 121}, {"pgdown", 121}, {"left", 123}, {"right", 124},
    {"down", 125}, {"up", 126}, {"print", printKeyCode}, {"sys_req", printKeyCode},
    {"sysreq", printKeyCode}, {"scroll_lock", scrollLockKeyCode}, {"scrolllock", scrollLockKeyCode},
    {"pause", pauseKeyCode}, {"menu", 110},
    {"f1", 122}, {"f2", 120}, {"f3", 99}, {"f4", 118}, {"f5", 96}, {"f6", 97}, {"f7", 98},
    {"f8", 100}, {"f9", 101}, {"f10", 109}, {"f11", 103}, {"f12", 111}, {"f13", 105},
    {"f14", 107}, {"f15", 113}, {"f16", 106}, {"f17", 64}, {"f18", 79}, {"f19", 80}, {"f20", 90},
    {"kp_decimal", 65}, {"kp_multiply", 67}, {"kp_add", 69}, {"num_lock", 71}, {"clear", 71},
    {"kp_divide", 75}, {"kp_enter", 76}, {"enter", 76}, {"kp_subtract", 78}, {"kp_equal", 81},
    {"kp_0", 82}, {"kp_1", 83}, {"kp_2", 84}, {"kp_3", 85}, {"kp_4", 86}, {"kp_5", 87},
    {"kp_6", 88}, {"kp_7", 89}, {"kp_8", 91}, {"kp_9", 92},
});

// Qt writes keypad keys as the plain key with the "Num" modifier.
constexpr auto keypadKeys = std::to_array<KeyName>({
    {"0", 82}, {"1", 83}, {"2", 84}, {"3", 85}, {"4", 86}, {"5", 87}, {"6", 88}, {"7", 89},
    {"8", 91}, {"9", 92}, {".", 65}, {"*", 67}, {"+", 69}, {"/", 75}, {"-", 78}, {"=", 81},
    {"enter", 76},
});

std::string lowercased(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

template <std::size_t N>
std::optional<kit::SystemShortcutKey> lookUp(const std::array<KeyName, N>& table, std::string_view name) {
    const std::string lower = lowercased(name);
    const auto found = std::find_if(table.begin(), table.end(), [&](const KeyName& key) { return key.name == lower; });
    if (found == table.end()) return std::nullopt;
    return kit::SystemShortcutKey{found->keyCode, found->shifted ? kit::EventFlags::shift : 0};
}

std::optional<std::uint32_t> gtkModifier(std::string_view name) {
    const std::string lower = lowercased(name);
    if (lower == "shift") return kit::EventFlags::shift;
    if (lower == "control" || lower == "ctrl" || lower == "ctl" || lower == "primary") return kit::EventFlags::control;
    if (lower == "alt" || lower == "mod1" || lower == "meta") return kit::EventFlags::option;
    if (lower == "super" || lower == "mod4") return kit::EventFlags::command;
    return std::nullopt;
}

std::optional<std::uint32_t> qtModifier(std::string_view name) {
    const std::string lower = lowercased(name);
    if (lower == "shift") return kit::EventFlags::shift;
    if (lower == "ctrl") return kit::EventFlags::control;
    if (lower == "alt") return kit::EventFlags::option;
    if (lower == "meta") return kit::EventFlags::command;
    return std::nullopt;
}

} // namespace

std::optional<kit::SystemShortcutKey> keyNamed(std::string_view name) {
    return lookUp(keyNames, name);
}

std::optional<kit::SystemShortcutKey> parseGtkAccelerator(std::string_view accelerator) {
    std::uint32_t modifiers = 0;
    std::string_view rest = accelerator;
    while (!rest.empty() && rest.front() == '<') {
        const auto close = rest.find('>');
        if (close == std::string_view::npos) return std::nullopt;
        const auto modifier = gtkModifier(rest.substr(1, close - 1));
        // Hyper, Release and the like: no shortcut of ours has them, so this key never collides.
        if (!modifier) return std::nullopt;
        modifiers |= *modifier;
        rest.remove_prefix(close + 1);
    }
    if (rest.empty() || lowercased(rest) == "disabled") return std::nullopt;
    auto key = keyNamed(rest);
    if (!key) return std::nullopt;
    key->modifierFlags |= modifiers;
    return key;
}

std::optional<kit::SystemShortcutKey> parseQtShortcut(std::string_view shortcut) {
    if (shortcut.empty() || lowercased(shortcut) == "none") return std::nullopt;
    std::uint32_t modifiers = 0;
    bool keypad = false;
    std::string_view rest = shortcut;
    // Every '+' followed by more text separates a modifier; a trailing "+" is the plus key.
    for (auto plus = rest.find('+'); plus != std::string_view::npos && plus + 1 < rest.size();
         plus = rest.find('+')) {
        const std::string_view name = rest.substr(0, plus);
        if (lowercased(name) == "num") {
            keypad = true;
        } else if (const auto modifier = qtModifier(name)) {
            modifiers |= *modifier;
        } else {
            return std::nullopt;
        }
        rest.remove_prefix(plus + 1);
    }
    auto key = keypad ? lookUp(keypadKeys, rest) : keyNamed(rest);
    if (!key) return std::nullopt;
    key->modifierFlags |= modifiers;
    return key;
}

} // namespace platform::desktop
