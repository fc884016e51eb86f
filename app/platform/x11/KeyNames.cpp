#include "app/platform/x11/KeyNames.h"

#include <algorithm>
#include <array>

namespace platform::x11::KeyNames {

namespace {

// Key codes name positions on the keyboard the stored shortcuts were first recorded on; on a
// PC keyboard Help sits where Insert is and Keypad Clear where Num Lock is.
constexpr std::array entries{
    // Letters.
    Entry{0, "AC01"}, Entry{1, "AC02"}, Entry{2, "AC03"}, Entry{3, "AC04"}, Entry{4, "AC06"},
    Entry{5, "AC05"}, Entry{6, "AB01"}, Entry{7, "AB02"}, Entry{8, "AB03"}, Entry{9, "AB04"},
    Entry{11, "AB05"}, Entry{12, "AD01"}, Entry{13, "AD02"}, Entry{14, "AD03"}, Entry{15, "AD04"},
    Entry{16, "AD06"}, Entry{17, "AD05"}, Entry{31, "AD09"}, Entry{32, "AD07"}, Entry{34, "AD08"},
    Entry{35, "AD10"}, Entry{37, "AC09"}, Entry{38, "AC07"}, Entry{40, "AC08"}, Entry{45, "AB06"},
    Entry{46, "AB07"},
    // Digits.
    Entry{18, "AE01"}, Entry{19, "AE02"}, Entry{20, "AE03"}, Entry{21, "AE04"}, Entry{23, "AE05"},
    Entry{22, "AE06"}, Entry{26, "AE07"}, Entry{28, "AE08"}, Entry{25, "AE09"}, Entry{29, "AE10"},
    // Punctuation.
    Entry{27, "AE11"}, Entry{24, "AE12"}, Entry{33, "AD11"}, Entry{30, "AD12"}, Entry{41, "AC10"},
    Entry{39, "AC11"}, Entry{42, "BKSL"}, Entry{43, "AB08"}, Entry{47, "AB09"}, Entry{44, "AB10"},
    Entry{50, "TLDE"}, Entry{10, "LSGT"},
    // JIS extras: yen, ro and the keypad comma.
    Entry{93, "AE13"}, Entry{94, "AB11"}, Entry{95, "I129"},
    // Whitespace, Escape and editing keys.
    Entry{36, "RTRN"}, Entry{48, "TAB"}, Entry{49, "SPCE"}, Entry{51, "BKSP"}, Entry{53, "ESC"},
    Entry{114, "INS"}, Entry{117, "DELE"}, Entry{115, "HOME"}, Entry{119, "END"}, Entry{116, "PGUP"},
    Entry{121, "PGDN"}, Entry{110, "COMP"},
    // Arrows.
    Entry{123, "LEFT"}, Entry{124, "RGHT"}, Entry{125, "DOWN"}, Entry{126, "UP"},
    // Function keys.
    Entry{122, "FK01"}, Entry{120, "FK02"}, Entry{99, "FK03"}, Entry{118, "FK04"}, Entry{96, "FK05"},
    Entry{97, "FK06"}, Entry{98, "FK07"}, Entry{100, "FK08"}, Entry{101, "FK09"}, Entry{109, "FK10"},
    Entry{103, "FK11"}, Entry{111, "FK12"}, Entry{105, "FK13"}, Entry{107, "FK14"}, Entry{113, "FK15"},
    Entry{106, "FK16"}, Entry{64, "FK17"}, Entry{79, "FK18"}, Entry{80, "FK19"}, Entry{90, "FK20"},
    Entry{printKeyCode, "PRSC"}, Entry{scrollLockKeyCode, "SCLK"}, Entry{pauseKeyCode, "PAUS"},
    // Keypad.
    Entry{82, "KP0"}, Entry{83, "KP1"}, Entry{84, "KP2"}, Entry{85, "KP3"}, Entry{86, "KP4"},
    Entry{87, "KP5"}, Entry{88, "KP6"}, Entry{89, "KP7"}, Entry{91, "KP8"}, Entry{92, "KP9"},
    Entry{65, "KPDL"}, Entry{67, "KPMU"}, Entry{69, "KPAD"}, Entry{75, "KPDV"}, Entry{76, "KPEN"},
    Entry{78, "KPSU"}, Entry{81, "KPEQ"}, Entry{71, "NMLK"},
};

// Names some keymaps give the same keys.
constexpr std::array aliases{
    Entry{42, "AC12"}, Entry{110, "MENU"}, Entry{95, "KPPT"},
};

} // namespace

std::span<const Entry> all() { return entries; }

std::optional<std::string_view> xkbName(std::uint32_t keyCode) {
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.keyCode == keyCode; });
    if (found == entries.end()) return std::nullopt;
    return found->xkbName;
}

std::optional<std::uint32_t> keyCode(std::string_view xkbName) {
    for (const auto& table : {std::span<const Entry>(entries), std::span<const Entry>(aliases)}) {
        const auto found =
            std::find_if(table.begin(), table.end(), [&](const Entry& e) { return e.xkbName == xkbName; });
        if (found != table.end()) return found->keyCode;
    }
    return std::nullopt;
}

} // namespace platform::x11::KeyNames
